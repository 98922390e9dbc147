#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/output/placeholders.h"
#include "store/import.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

// Every placeholder an importer writes must be one the renderer knows: a key name or a count it
// does not take would be typed out as text in the user's document.
void ExpectOnlyKnownPlaceholders(const ImportResult& result, std::size_t expectedPlaceholders) {
  ASSERT_TRUE(result.ok()) << result.error;
  std::size_t placeholders = 0;
  for (const ImportedEntry& entry : result.entries) {
    for (const ExpansionPart& part : ParseExpansion(entry.expansion)) {
      if (part.kind == PlaceholderKind::Literal) {
        EXPECT_EQ(part.text.find("{{"), std::string::npos)
            << entry.trigger << ": " << entry.expansion;
      } else {
        ++placeholders;
      }
    }
  }
  EXPECT_EQ(placeholders, expectedPlaceholders);
}

TEST(ImportedPlaceholders, AutoHotkeyKeysAreKeysTarquelPresses) {
  ExpectOnlyKnownPlaceholders(
      ImportFiles({{"k.ahk",
                    "::a::{Enter}{Return}{Tab}{Esc}{Escape}{BS}{Backspace}{Del}{Delete}{Ins}\n"
                    "::b::{Insert}{Home}{End}{PgUp}{PgDn}{Up}{Down}{Left 2}{Right 100}{F1}{F24}\n"
                    "::c::^a!{Tab}+{End}#d^+{Left}{NumpadEnter}{PageUp}{PageDown}`b\n"
                    "::d::`n`t{Enter 3}\n"}}),
      10 + 11 + 9 + 3);
}

TEST(ImportedPlaceholders, BeeftextAndTextExpanderVariablesAreTarquelsPlaceholders) {
  ExpectOnlyKnownPlaceholders(ImportFiles({{"b.json",
                                            R"({"combos": [{"keyword": "a", "snippet":
                    "#{clipboard}#{cursor}#{date}#{time}#{dateTime}#{dateTime:yyyy-MM-dd}#{key:Enter}#{key:Tab:3}#{key:Return}#{key:Escape}#{shortcut:Ctrl+Shift+End}#{delay:50}"}]})"}}),
                              13);
  ExpectOnlyKnownPlaceholders(
      ImportFiles({{"t.csv",
                    "a,%|%clipboard%key:tab%%key:enter%%key:return%%key:esc%%key:up%%key:down%"
                    "%key:left%%key:right%%key:home%%key:end%%key:pageup%%key:pagedown%"
                    "%key:fwddelete%%key:delete% %Y-%m-%d %A,\n"}}),
      2 + 14 + 1);
}

TEST(ImportedPlaceholders, EspansoVariablesAreTarquelsPlaceholders) {
  ExpectOnlyKnownPlaceholders(
      ImportFiles({{"e.yml",
                    "matches:\n  - trigger: a\n    replace: \"$|$ {{c}} {{d}} {{x}} {{t}}\"\n"
                    "    vars:\n      - {name: c, type: clipboard}\n"
                    "      - {name: d, type: date, params: {format: \"%Y-%m-%d\"}}\n"
                    "      - {name: x, type: date, params: {format: \"%x\"}}\n"
                    "      - {name: t, type: date, params: {format: \"%X\"}}\n"}}),
      5);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
