// A stand-in for libFuzzer where the compiler has none: feeds a fuzz
// target its corpus and then seeded random mutations of it (bits flipped,
// bytes set, ranges inserted, erased, repeated or spliced from another
// input) for a bounded number of runs or seconds. No coverage guides it;
// the sanitizers of the build catch what the target's own checks do not.
//
// Usage: <target> [--runs N] [--seconds S] [--seed X] corpus-folder...
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
#include <string>
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

Bytes Mutate(Bytes input, const std::vector<Bytes>& corpus, std::mt19937_64& random) {
  const auto below = [&](std::size_t n) { return n == 0 ? 0 : random() % n; };
  for (int edits = 1 + static_cast<int>(below(4)); edits > 0; --edits) {
    const std::size_t at = below(input.size() + 1);
    switch (below(6)) {
      case 0:
        if (!input.empty()) input[below(input.size())] ^= static_cast<std::uint8_t>(1u << below(8));
        break;
      case 1:
        if (!input.empty()) input[below(input.size())] = static_cast<std::uint8_t>(random());
        break;
      case 2:
        input.insert(input.begin() + static_cast<std::ptrdiff_t>(at), 1 + below(16),
                     static_cast<std::uint8_t>(random()));
        break;
      case 3:
        input.erase(input.begin() + static_cast<std::ptrdiff_t>(at),
                    input.begin() + static_cast<std::ptrdiff_t>(at + below(input.size() - at + 1)));
        break;
      case 4: {
        const std::size_t from = below(input.size() + 1);
        const Bytes piece(
            input.begin() + static_cast<std::ptrdiff_t>(from),
            input.begin() + static_cast<std::ptrdiff_t>(from + below(input.size() - from + 1)));
        input.insert(input.begin() + static_cast<std::ptrdiff_t>(at), piece.begin(), piece.end());
        break;
      }
      default: {
        const Bytes& other = corpus[below(corpus.size())];
        const std::size_t from = below(other.size() + 1);
        input.insert(input.begin() + static_cast<std::ptrdiff_t>(at),
                     other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
        break;
      }
    }
    if (input.size() > 4096) input.resize(4096);
  }
  return input;
}

}  // namespace

int main(int argc, char** argv) {
  long runs = 0, seconds = 0;
  std::uint64_t seed = 1;
  std::vector<Bytes> corpus;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::atol(argv[++i]);
    } else if (arg == "--seconds" && i + 1 < argc) {
      seconds = std::atol(argv[++i]);
    } else if (arg == "--seed" && i + 1 < argc) {
      seed = std::strtoull(argv[++i], nullptr, 10);
    } else {
      for (const auto& entry : std::filesystem::directory_iterator(arg)) {
        std::ifstream in(entry.path(), std::ios::binary);
        corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      }
    }
  }
  if (corpus.empty()) corpus.emplace_back();
  std::signal(SIGABRT, OnAbort);
  if (__sanitizer_set_death_callback != nullptr) __sanitizer_set_death_callback(SaveRunningInput);
  if (runs == 0 && seconds == 0) runs = 10000;

  for (const Bytes& input : corpus) Run(input);
  std::mt19937_64 random(seed);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  long done = 0;
  while ((runs == 0 || done < runs) &&
         (seconds == 0 || std::chrono::steady_clock::now() < deadline)) {
    const Bytes input = Mutate(corpus[random() % corpus.size()], corpus, random);
    Run(input);
    ++done;
  }
  std::printf("%ld corpus inputs and %ld mutations (seed %llu): no finding\n",
              static_cast<long>(corpus.size()), done, static_cast<unsigned long long>(seed));
  return 0;
}
