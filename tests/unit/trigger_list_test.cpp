#include "ui/trigger_list.h"

#include <gtest/gtest.h>

namespace tarquel {
namespace {

TEST(TriggerListRow, IsTriggerTwoSpacesArrowTwoSpacesExpansion) {
  EXPECT_EQ(FormatTriggerRow(":demo", "Hello World"), ":demo  ->  Hello World");
  EXPECT_EQ(FormatTriggerRow(" x ", ""), " x   ->  ");
}

}  // namespace
}  // namespace tarquel
