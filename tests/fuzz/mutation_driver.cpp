// Runs a libFuzzer-style target where the compiler has no libFuzzer (g++):
// every file of a corpus folder first, then random mutations of them for a
// bounded time, from a fixed seed so that a finding can be run again. No
// coverage guides it; AddressSanitizer and the target's own checks decide.
//
// Usage: TARGET CORPUS_DIR [SECONDS [SEED]]
// An input that fails is saved as fuzz-crash in the current folder.
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// The sanitizers' hook for their last words; absent from a build without them.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes* running = nullptr;

// From a signal handler or the sanitizer's last words: plain system calls.
void SaveRunningInput() {
  if (running == nullptr) return;
  const int fd = open("fuzz-crash", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd >= 0 && write(fd, running->data(), running->size()) >= 0) {
    constexpr char kSaved[] = "the failing input is saved as fuzz-crash\n";
    (void)!write(2, kSaved, sizeof kSaved - 1);
  }
  if (fd >= 0) close(fd);
  running = nullptr;
}

void OnAbort(int signal) {
  SaveRunningInput();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void Run(const Bytes& input) {
  running = &input;
  LLVMFuzzerTestOneInput(input.data(), input.size());
  running = nullptr;
}

// One of the mutations libFuzzer makes most: flip, overwrite, insert, erase,
// duplicate a run, splice with another input, or set a byte to an edge value.
void Mutate(Bytes& input, const std::vector<Bytes>& corpus, std::mt19937_64& random) {
  const auto below = [&](std::size_t n) { return n == 0 ? 0 : random() % n; };
  static constexpr std::uint8_t kEdges[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, 0xFE, 0x04, 0x40};
  switch (below(7)) {
    case 0:
      if (!input.empty()) input[below(input.size())] ^= static_cast<std::uint8_t>(1u << below(8));
      break;
    case 1:
      if (!input.empty()) input[below(input.size())] = static_cast<std::uint8_t>(random());
      break;
    case 2:
      input.insert(input.begin() + static_cast<std::ptrdiff_t>(below(input.size() + 1)),
                   static_cast<std::uint8_t>(random()));
      break;
    case 3:
      if (!input.empty()) {
        const std::size_t at = below(input.size());
        input.erase(input.begin() + static_cast<std::ptrdiff_t>(at),
                    input.begin() + static_cast<std::ptrdiff_t>(at + below(input.size() - at) + 1));
      }
      break;
    case 4:
      if (!input.empty()) {
        const std::size_t at = below(input.size());
        const Bytes run(
            input.begin() + static_cast<std::ptrdiff_t>(at),
            input.begin() + static_cast<std::ptrdiff_t>(at + below(input.size() - at) + 1));
        input.insert(input.begin() + static_cast<std::ptrdiff_t>(below(input.size() + 1)),
                     run.begin(), run.end());
      }
      break;
    case 5: {
      const Bytes& other = corpus[below(corpus.size())];
      input.resize(below(input.size() + 1));
      input.insert(input.end(),
                   other.begin() + static_cast<std::ptrdiff_t>(below(other.size() + 1)),
                   other.end());
      break;
    }
    default:
      if (!input.empty()) input[below(input.size())] = kEdges[below(std::size(kEdges))];
  }
  if (input.size() > 8192) input.resize(8192);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR [SECONDS [SEED]]\n", argv[0]);
    return 2;
  }
  const double seconds = argc > 2 ? std::atof(argv[2]) : 10;
  const std::uint64_t seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
  std::signal(SIGABRT, OnAbort);
  if (__sanitizer_set_death_callback != nullptr) __sanitizer_set_death_callback(SaveRunningInput);
  std::vector<Bytes> corpus;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
    std::ifstream in(entry.path(), std::ios::binary);
    corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    Run(corpus.back());
  }
  if (corpus.empty()) corpus.emplace_back();

  std::mt19937_64 random(seed);
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  std::uint64_t runs = corpus.size();
  while (std::chrono::steady_clock::now() < end) {
    for (int i = 0; i < 256; ++i, ++runs) {
      Bytes input = corpus[random() % corpus.size()];
      for (int n = 1 + static_cast<int>(random() % 4); n > 0; --n) Mutate(input, corpus, random);
      Run(input);
    }
  }
  std::printf(
      "%llu runs of %zu corpus inputs and their mutations in %.0f s (seed %llu): "
      "no finding\n",
      static_cast<unsigned long long>(runs), corpus.size(), seconds,
      static_cast<unsigned long long>(seed));
  return 0;
}
