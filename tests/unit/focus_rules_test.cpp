#include "engine/input/focus_rules.h"

#include <gtest/gtest.h>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

TEST(IsSecretField, APasswordStyledEditOfAnyFrameworkIsSecret) {
  for (const char* name : {"Edit", "EDIT", "RichEdit20W", "RICHEDIT50W", "TEdit",
                           "WindowsForms10.EDIT.app.0.141b42a_r9_ad1"}) {
    EXPECT_TRUE(IsSecretField({name, true, std::nullopt})) << name;
    EXPECT_FALSE(IsSecretField({name, false, std::nullopt})) << name;
  }
}

TEST(IsSecretField, ThePasswordBitMeansNothingOutsideAnEdit) {
  // 0x20 is BS_LEFTTEXT for a button and SS_... for a static: not a password field.
  for (const char* name :
       {"Button", "Static", "ComboBox", "SysListView32", "Chrome_WidgetWin_1", "", "Edi"}) {
    EXPECT_FALSE(IsSecretField({name, true, std::nullopt})) << name;
  }
}

TEST(IsSecretField, UIAutomationDecidesForFieldsThatAreNoWindows) {
  EXPECT_TRUE(IsSecretField({"Chrome_RenderWidgetHostHWND", false, true}));
  EXPECT_FALSE(IsSecretField({"Chrome_RenderWidgetHostHWND", false, false}));
  // A classic password edit stays one when UI Automation did not answer or said otherwise.
  EXPECT_TRUE(IsSecretField({"Edit", true, false}));
}

TEST(IsAboveOurs, OnlyAHigherOrUnknownLevelIsOutOfReach) {
  EXPECT_FALSE(IsAboveOurs(integrity::Medium, integrity::Medium));
  EXPECT_FALSE(IsAboveOurs(integrity::Low, integrity::Medium));
  EXPECT_TRUE(IsAboveOurs(integrity::High, integrity::Medium));
  EXPECT_TRUE(IsAboveOurs(integrity::System, integrity::High));
  EXPECT_FALSE(IsAboveOurs(integrity::High, integrity::High)) << "run as administrator too";
  // A refused query: a process that will not tell us is one we may not type into.
  EXPECT_TRUE(IsAboveOurs(std::nullopt, integrity::Medium));
  EXPECT_TRUE(IsAboveOurs(std::nullopt, integrity::High));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
