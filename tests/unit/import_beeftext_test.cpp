#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/import.h"
#include "store/import_beeftext.h"
#include "tests/support/import_results.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::EntryOf;
using testing::Noted;

TEST(ImportBeeftext, ReadsGroupsCombosAndTheirModes) {
  const ImportResult result = ImportFiles({{"comboList.json", R"({
  "fileFormatVersion": 10,
  "groups": [
    {"uuid": "{g1}", "name": "Work", "enabled": true},
    {"uuid": "{g2}", "name": "Old", "enabled": false}
  ],
  "combos": [
    {"keyword": "sig", "snippet": "Regards,\nJane#{cursor}", "name": "Signature",
     "matchingMode": 0, "caseSensitivity": 0, "enabled": true, "group": "{g1}"},
    {"keyword": "loose", "snippet": "x", "matchingMode": 2, "caseSensitivity": 2,
     "enabled": true, "group": "{g1}"},
    {"keyword": "off", "snippet": "y", "enabled": false, "group": "{g1}"},
    {"keyword": "oldgroup", "snippet": "z", "enabled": true, "group": "{g2}"},
    {"comboText": "v1", "substitutionText": "older names", "useLooseMatch": true},
    {"keyword": "vars", "snippet": "#{clipboard} #{date} #{time} #{dateTime:yyyy-MM-dd HH:mm} #{key:Tab:3}#{key:Return}#{shortcut:Ctrl+End}#{delay:50} #{unknown}"},
    {"keyword": "shift", "snippet": "#{dateTime:+1d:dd/MM/yy} #{combo:sig} #{envVar:HOME}"},
    {"keyword": "ask", "snippet": "Dear #{input:Name}"},
    {"keyword": "ps", "snippet": "#{powershell:C:\\x.ps1}"},
    {"keyword": "html", "snippet": "<b>x</b>", "useHtml": true}
  ]
})"}});
  ASSERT_TRUE(result.ok()) << result.error;
  const ImportedEntry* sig = EntryOf(result, "sig");
  ASSERT_NE(sig, nullptr);
  EXPECT_EQ(sig->expansion, "Regards,{{newline}}Jane{{cursor}}");
  EXPECT_EQ(sig->label, "Signature");
  EXPECT_EQ(result.groups[sig->group].name, "Beeftext Work");
  EXPECT_EQ(Resolve(result.FullOptions(*sig)),
            (ResolvedOptions{FireWhen::AtOnce, FireWhere::WordStart, CaseRule::Exact}));
  EXPECT_EQ(Resolve(result.FullOptions(*EntryOf(result, "loose"))),
            (ResolvedOptions{FireWhen::AtOnce, FireWhere::Anywhere, CaseRule::Ignore}));
  // Disabled combos, and combos of a disabled group, stay switched off.
  EXPECT_FALSE(result.groups[EntryOf(result, "off")->group].enabled);
  EXPECT_EQ(result.groups[EntryOf(result, "off")->group].name, "Beeftext Work off");
  EXPECT_FALSE(result.groups[EntryOf(result, "oldgroup")->group].enabled);
  EXPECT_EQ(EntryOf(result, "v1")->expansion, "older names");
  EXPECT_EQ(Resolve(result.FullOptions(*EntryOf(result, "v1"))).where, FireWhere::Anywhere);
  EXPECT_EQ(EntryOf(result, "vars")->expansion,
            "{{clipboard}} {{date}} {{time}} {{date:%Y-%m-%d %H:%M}} "
            "{{key:Tab:3}}{{key:Enter}}{{key:Ctrl+End}}{{delay:50}} #{unknown}");
  EXPECT_EQ(EntryOf(result, "shift")->expansion, "{{date:%d/%m/%Y}}  ");
  EXPECT_TRUE(Noted(result, "shift", "shift +1d", false));
  EXPECT_TRUE(Noted(result, "shift", "two-digit year", false));
  EXPECT_TRUE(Noted(result, "shift", "#{combo:sig}", false));
  EXPECT_TRUE(Noted(result, "shift", "#{envVar:HOME}", false));
  EXPECT_TRUE(Noted(result, "ask", "input", true));
  EXPECT_TRUE(Noted(result, "ps", "PowerShell", true));
  EXPECT_TRUE(Noted(result, "html", "rich text", true));
  EXPECT_EQ(EntryOf(result, "ask"), nullptr);
}

TEST(ImportBeeftext, JsonOfAnotherShapeImportsNothing) {
  for (const char* json :
       {"[1, 2, 3]", "{\"combos\": {}}", "{\"name\": \"x\"}", "{\"combos\": [42]}",
        "{\"combos\": [{\"keyword\": 1, \"snippet\": \"x\"}]}",
        "{\"combos\": [{\"keyword\": \"a\", \"snippet\": \"b\"}], ",
        "{\"groups\": [1], \"combos\": []}", "{\"combos\": [], \"n\": 1e999}"}) {
    const ImportResult result = ImportFiles({{"combos.json", json}});
    EXPECT_FALSE(result.ok()) << json;
    EXPECT_NE(result.error.find("combos.json"), std::string::npos) << result.error;
    EXPECT_TRUE(result.entries.empty());
  }
}

TEST(ImportBeeftext, ReadsItsCsvExportAndCheatSheet) {
  const ImportResult plain = ImportFiles(
      {{"export.csv", "sig,\"Regards,\nJane \"\"J\"\"\",Signature\r\nclip,#{clipboard},\n"}});
  ASSERT_TRUE(plain.ok()) << plain.error;
  EXPECT_EQ(plain.format, ImportFormat::Beeftext);
  ASSERT_EQ(plain.entries.size(), 2u);
  EXPECT_EQ(plain.entries[0].expansion, "Regards,{{newline}}Jane \"J\"");
  EXPECT_EQ(plain.entries[0].label, "Signature");
  EXPECT_EQ(plain.entries[1].expansion, "{{clipboard}}");

  const ImportResult sheet =
      ImportFiles({{"cheat.csv", "Group,Name,Keyword,Snippet\nMail,Hi,hi,Hello\n,Bye,bye,Ciao\n"}});
  ASSERT_TRUE(sheet.ok()) << sheet.error;
  EXPECT_EQ(sheet.groups[EntryOf(sheet, "hi")->group].name, "Beeftext Mail");
  EXPECT_EQ(sheet.groups[EntryOf(sheet, "bye")->group].name, "Beeftext");

  const ImportResult broken = ImportFiles({{"export.csv", "a,#{cursor},x\nb,\"never closed,y\n"}});
  EXPECT_FALSE(broken.ok());
  EXPECT_NE(broken.error.find("line 2"), std::string::npos) << broken.error;
  EXPECT_TRUE(broken.entries.empty());
}

TEST(ImportBeeftext, QtDateFormats) {
  std::vector<std::string> lost;
  EXPECT_EQ(FromQtDateFormat("dddd d MMMM yyyy 'at' HH:mm:ss", lost), "%A %d %B %Y at %H:%M:%S");
  EXPECT_EQ(lost.size(), 1u);  // d without its zero
  lost.clear();
  EXPECT_EQ(FromQtDateFormat("ddd MMM dd '100%' ''hh AP", lost), "%a %b %d 100%% '%H ");
  EXPECT_EQ(lost.size(), 2u);
}

TEST(ImportTextExpander, ReadsItsCsvLenientlyWithItsMacros) {
  const ImportResult result = ImportFiles({{"Snippets.csv",
                                            "\xEF\xBB\xBF"
                                            "ddate,Today is %Y-%m-%d at %H:%M.,Date\n"
                                            "sig,\"Regards,\r\nJane%|\",Signature\r\n"
                                            "\n"
                                            "clip,Pasted: %clipboard%key:tab%100%%,\n"
                                            "quote,He said \"hi\" twice,Label\n"
                                            "math,%@+1D%A,Tomorrow\n"
                                            "fill,Dear %filltext:name=who%,Form\n"
                                            "rich,<html><body>x</body></html>,Rich\n"
                                            "nolabel,just text\n"}});
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.format, ImportFormat::TextExpander);
  EXPECT_EQ(result.groups[0].name, "TextExpander");
  EXPECT_EQ(EntryOf(result, "ddate")->expansion, "Today is {{date:%Y-%m-%d}} at {{date:%H:%M}}.");
  EXPECT_EQ(EntryOf(result, "ddate")->label, "Date");
  EXPECT_EQ(EntryOf(result, "sig")->expansion, "Regards,{{newline}}Jane{{cursor}}");
  EXPECT_EQ(EntryOf(result, "clip")->expansion, "Pasted: {{clipboard}}{{key:Tab}}100%");
  EXPECT_EQ(EntryOf(result, "quote")->expansion, "He said \"hi\" twice");
  EXPECT_EQ(EntryOf(result, "math")->expansion, "{{date:%A}}");
  EXPECT_TRUE(Noted(result, "math", "date math", false));
  EXPECT_TRUE(Noted(result, "fill", "fill-in", true));
  EXPECT_TRUE(Noted(result, "rich", "rich text", true));
  EXPECT_EQ(EntryOf(result, "nolabel")->expansion, "just text");
  EXPECT_EQ(EntryOf(result, "sig")->where, "Snippets.csv:2");
  EXPECT_EQ(EntryOf(result, "clip")->where, "Snippets.csv:5");
  EXPECT_TRUE(result.FullOptions(*EntryOf(result, "sig")).empty());
}

TEST(ImportTextExpander, DateMathEndsAtItsUnitLetter) {
  // A character after the number is no unit: it stays whole.
  const ImportResult result = ImportFiles({{"te.csv", "a,%@+1\xC3\xA9 %@-2Dx,\n"}});
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(EntryOf(result, "a")->expansion, "\xC3\xA9 x");
}

TEST(ImportTextExpander, AQuoteNeverClosedImportsNothing) {
  const ImportResult result = ImportFiles({{"te.csv", "a,b,c\nd,\"e\nf,g\n"}});
  EXPECT_FALSE(result.ok());
  EXPECT_NE(result.error.find("line 2"), std::string::npos) << result.error;
  EXPECT_TRUE(result.entries.empty());
}

TEST(ImportFormat, IsFoundFromNamesAndContent) {
  struct Case {
    const char* path;
    const char* bytes;
    std::optional<ImportFormat> format;
  };
  const Case cases[] = {
      {"base.yml", "", ImportFormat::Espanso},
      {"x.YAML", "", ImportFormat::Espanso},
      {"h.ahk", "", ImportFormat::AutoHotkey},
      {"c.json", "", ImportFormat::Beeftext},
      {"t.csv", "a,b,c\n", ImportFormat::TextExpander},
      {"t.csv", "a,#{clipboard},c\n", ImportFormat::Beeftext},
      {"t.csv", "trigger,expansion,options,group\n", ImportFormat::TarquelCsv},
      {"noext", "::btw::by the way\n", ImportFormat::AutoHotkey},
      {"noext", "matches:\n  - trigger: a\n", ImportFormat::Espanso},
      {"noext", "  {\"combos\": []}", ImportFormat::Beeftext},
      {"noext", "plain words", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DetectImportFormat({{c.path, c.bytes}}), c.format) << c.path << " " << c.bytes;
  }
  EXPECT_FALSE(ImportFiles({{"notes.txt", "plain words"}}).ok());
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
