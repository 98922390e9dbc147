#include "ui/autostart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

constexpr std::wstring_view Program = L"C:\\Program Files\\Tarquel\\tarquel.exe";

TEST(RunValueCommand, QuotesThePathAndAsksForALogonStart) {
  EXPECT_EQ(RunValueCommand(Program), L"\"C:\\Program Files\\Tarquel\\tarquel.exe\" --logon");
}

TEST(IsLogonStart, FindsTheArgumentAfterTheProgramOnly) {
  struct Row {
    std::vector<std::wstring> arguments;
    bool logon;
  };
  const Row rows[] = {
      {{}, false},
      {{L"tarquel.exe"}, false},
      {{L"tarquel.exe", L"--logon"}, true},
      {{L"tarquel.exe", L"--other", L"--logon"}, true},
      // The program's own name is no argument, whatever it is.
      {{L"--logon"}, false},
      {{L"tarquel.exe", L"--LOGON"}, false},
      {{L"tarquel.exe", L"--logon-later"}, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(IsLogonStart(row.arguments), row.logon) << "row " << &row - rows;
  }
}

TEST(IsOldRunValueOf, TakesOnlyThisProgramsPathWithNothingAfterIt) {
  struct Row {
    std::wstring_view value;
    bool old;
  };
  const Row rows[] = {
      {L"\"C:\\Program Files\\Tarquel\\tarquel.exe\"", true},
      {L"C:\\Program Files\\Tarquel\\tarquel.exe", true},
      {L"\"c:\\program files\\TARQUEL\\Tarquel.EXE\"", true},
      // Already the new form, or arguments someone chose.
      {L"\"C:\\Program Files\\Tarquel\\tarquel.exe\" --logon", false},
      {L"\"C:\\Program Files\\Tarquel\\tarquel.exe\" --other", false},
      // Another copy of the program: the user's to keep.
      {L"\"C:\\old\\tarquel.exe\"", false},
      {L"", false},
      {L"\"", false},
      {L"\"\"", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(IsOldRunValueOf(row.value, Program), row.old) << "row " << &row - rows;
  }
  EXPECT_FALSE(IsOldRunValueOf(L"\"\"", L""));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

TEST(TakeOverProcessId, NamesTheInstanceARestartAsAdministratorReplaces) {
  EXPECT_EQ(TakeOverProcessId({L"tarquel.exe", L"--take-over", L"4242"}), 4242u);
  EXPECT_EQ(TakeOverProcessId({L"tarquel.exe", L"--logon", L"--take-over", L"7"}), 7u);
}

TEST(TakeOverProcessId, WaitsForNothingUnlessANumberFollows) {
  using Arguments = std::vector<std::wstring>;
  for (const Arguments& arguments : {
           Arguments{L"tarquel.exe"}, Arguments{L"tarquel.exe", L"--take-over"},
           Arguments{L"tarquel.exe", L"--take-over", L""},
           Arguments{L"tarquel.exe", L"--take-over", L"12a"},
           Arguments{L"tarquel.exe", L"--take-over", L"-5"},
           Arguments{L"tarquel.exe", L"--take-over", L"0"},
           Arguments{L"tarquel.exe", L"--take-over", L"99999999999"},
           Arguments{L"--take-over", L"12"},  // the program's own name, not an argument
       }) {
    EXPECT_EQ(TakeOverProcessId(arguments), std::nullopt) << arguments.size();
  }
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
