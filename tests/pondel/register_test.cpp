// The controller's registers as a capture uses them: Setup 1 reached through
// the sub-address register, the receive-all bit switched on and restored.
#include <gtest/gtest.h>

#include "tests/pondel/pondel_test_support.h"

namespace {

using namespace pondel_testing;

class RegisterTest : public PondelTest {
 protected:
  void SetUp() override {
    PondelTest::SetUp();
    InitUsb({{"PONDEL_SIM_RATE", "0"}});
  }
};

TEST_F(RegisterTest, CaptureSwitchesReceiveAllOnWithFourRequestsAndRestoresWithTwo) {
  // Start of a capture: write 5 := 2, read 7, write 5 := 2, write 7 := value | 0x10.
  ASSERT_EQ(WriteRegister(5, 2), 0);
  const int saved = ReadRegister(7);
  ASSERT_GE(saved, 0);
  EXPECT_EQ(saved & 0x10, 0) << "receive-all is clear after Init";
  EXPECT_NE(saved, 0) << "Setup 1 holds configuration bits worth saving";
  ASSERT_EQ(WriteRegister(5, 2), 0);
  ASSERT_EQ(WriteRegister(7, static_cast<std::uint8_t>(saved | 0x10)), 0);
  EXPECT_EQ(ReadIndexed(2), saved | 0x10);

  // End of a capture: write 5 := 2, write 7 := saved.
  ASSERT_EQ(WriteRegister(5, 2), 0);
  ASSERT_EQ(WriteRegister(7, static_cast<std::uint8_t>(saved)), 0);
  EXPECT_EQ(ReadIndexed(2), saved);
}

TEST_F(RegisterTest, SubAddressSelectsWhichIndexedRegisterSevenReaches) {
  EXPECT_EQ(ReadIndexed(1), 5) << "index 1 is the node ID";
  WriteRegister(5, 0);
  WriteRegister(7, 0x33);
  WriteRegister(5, 3);
  WriteRegister(7, 0x44);
  EXPECT_EQ(ReadIndexed(0), 0x33);
  EXPECT_EQ(ReadIndexed(3), 0x44);
  EXPECT_EQ(ReadIndexed(1), 5) << "writing other indices leaves the node ID alone";
  EXPECT_EQ(ReadRegister(5), 1) << "the sub-address reads back";
}

TEST_F(RegisterTest, OtherRegistersBehaveLikeAQuietController) {
  EXPECT_EQ(ReadRegister(6), 0x18) << "configuration holds the timeout bits";
  for (std::uint8_t reg : {0, 1, 2, 3, 4, 6}) {
    ASSERT_EQ(WriteRegister(reg, static_cast<std::uint8_t>(0xA0 + reg)), 0);
    EXPECT_EQ(ReadRegister(reg), 0xA0 + reg) << "register " << int(reg);
  }
}

TEST_F(RegisterTest, RefusesBadOperationsAndRegisters) {
  RegisterRequest badOperation{2, 0, 0};
  EXPECT_EQ(Com20020Register(&badOperation), kPondelSimBadOperation);
  RegisterRequest badRegister{kRegisterRead, 8, 0};
  EXPECT_EQ(Com20020Register(&badRegister), kPondelSimBadRegister);
  RegisterRequest badWrite{kRegisterWrite, 255, 1};
  EXPECT_EQ(Com20020Register(&badWrite), kPondelSimBadRegister);
  EXPECT_EQ(Com20020Register(nullptr), kPondelSimNullArgument);
}

}  // namespace
