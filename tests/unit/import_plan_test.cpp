#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/import.h"
#include "store/import_plan.h"
#include "store/trigger_export.h"
#include "store/trigger_file.h"
#include "tests/support/import_results.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::ImportAhk;

TEST(ImportPlan, SortsEntriesIntoNewAlreadyThereAndConflicts) {
  TriggerTable table;
  table.Set("btw", "by the way");
  table.Set("same", "text",
            EntryInfo{{FireWhen::EndingKept, FireWhere::WordStart, CaseRule::Conform}, 0});
  table.Set("btw-2", "taken");
  const ImportResult result = ImportAhk("::btw::between\n::same::text\n::new::fresh\n");
  ASSERT_TRUE(result.ok());
  const ImportPlan plan = PlanImport(table, result);
  ASSERT_EQ(plan.added.size(), 1u);
  EXPECT_EQ(result.entries[plan.added[0]].trigger, "new");
  ASSERT_EQ(plan.alreadyThere.size(), 1u);
  EXPECT_EQ(result.entries[plan.alreadyThere[0]].trigger, "same");
  ASSERT_EQ(plan.conflicts.size(), 1u);
  EXPECT_EQ(plan.conflicts[0].mine, "by the way");
  // "btw" fires at once wherever it ends the text, so theirs cannot end in it.
  EXPECT_EQ(plan.conflicts[0].bothTrigger, "b2tw");
  EXPECT_EQ(plan.conflicts[0].choice, ConflictChoice::KeepMine);
}

TEST(ImportPlan, TheSameTextWithOtherOptionsIsAConflict) {
  TriggerTable table;
  table.Set("btw", "by the way");
  const ImportPlan plan = PlanImport(table, ImportAhk("::btw::by the way\n"));
  EXPECT_EQ(plan.conflicts.size(), 1u);
}

TEST(ImportPlan, EachChoiceDoesWhatItSays) {
  TriggerTable table;
  table.Set("btw", "by the way");
  const ImportResult result =
      ImportAhk("#IfWinActive ahk_exe notepad.exe\n::btw::between\n::new::x\n");
  ImportPlan plan = PlanImport(table, result);
  ASSERT_EQ(plan.conflicts.size(), 1u);

  plan.ChooseForAll(ConflictChoice::KeepMine);
  TriggerTable mine = ApplyImport(table, plan);
  EXPECT_EQ(*mine.Find("btw"), "by the way");
  EXPECT_EQ(mine.OptionsOf("btw"), ResolvedOptions{});
  EXPECT_EQ(*mine.Find("new"), "x");
  EXPECT_EQ(mine.size(), 2u);
  // The original is untouched: the caller swaps the new table in as one change.
  EXPECT_EQ(table.size(), 1u);

  plan.ChooseForAll(ConflictChoice::TakeTheirs);
  TriggerTable theirs = ApplyImport(table, plan);
  EXPECT_EQ(*theirs.Find("btw"), "between");
  EXPECT_EQ(theirs.OptionsOf("btw"),
            (ResolvedOptions{FireWhen::EndingKept, FireWhere::WordStart, CaseRule::Conform}));
  const TriggerGroup& group = theirs.Groups()[theirs.InfoOf("btw").group];
  EXPECT_EQ(group.onlyIn, std::vector<std::string>{"notepad.exe"});

  plan.ChooseForAll(ConflictChoice::KeepBoth);
  TriggerTable both = ApplyImport(table, plan);
  EXPECT_EQ(*both.Find("btw"), "by the way");
  ASSERT_NE(both.Find(plan.conflicts[0].bothTrigger), nullptr);
  EXPECT_EQ(*both.Find(plan.conflicts[0].bothTrigger), "between");
  EXPECT_EQ(both.size(), 3u);
}

TEST(ImportPlan, AGroupTheTableHasKeepsItsSettingsAndEntriesKeepTheirOptions) {
  TriggerTable table;
  TriggerGroup existing;
  existing.name = "AutoHotkey";
  existing.enabled = false;
  existing.defaults.caseRule = CaseRule::Exact;
  const std::size_t index = table.AddGroup(existing);
  const ImportResult result = ImportAhk("::btw::by the way\n:C:Exact::x\n");
  const TriggerTable next = ApplyImport(table, PlanImport(table, result));
  EXPECT_EQ(next.Groups().size(), 2u);
  EXPECT_FALSE(next.Groups()[index].enabled);
  EXPECT_EQ(next.InfoOf("btw").group, index);
  EXPECT_EQ(next.OptionsOf("btw"),
            (ResolvedOptions{FireWhen::EndingKept, FireWhere::WordStart, CaseRule::Conform}));
  EXPECT_EQ(next.OptionsOf("Exact").caseRule, CaseRule::Exact);
}

TEST(ImportPlan, AppliedImportSavesAndLoadsBackTheSame) {
  const ImportResult result = ImportAhk(
      "::sig::\n(\nRegards,\nJane\n)\n#HotIf WinActive(\"ahk_exe code.exe\")\n:*?C1:x::y\n");
  ASSERT_TRUE(result.ok());
  const TriggerTable table = ApplyImport(TriggerTable{}, PlanImport(TriggerTable{}, result));
  const TriggerTable loaded = ParseTriggerText(FormatTriggerText(table));
  ASSERT_EQ(loaded.size(), 2u);
  EXPECT_EQ(*loaded.Find("sig"), "Regards,{{newline}}Jane");
  for (const char* trigger : {"sig", "x"}) {
    EXPECT_EQ(loaded.OptionsOf(trigger), table.OptionsOf(trigger)) << trigger;
    EXPECT_EQ(loaded.Groups()[loaded.InfoOf(trigger).group],
              table.Groups()[table.InfoOf(trigger).group]);
  }
}

// A table using every option and placeholder, in groups with defaults of their own.
TriggerTable RichTable() {
  TriggerTable table;
  TriggerGroup mail;
  mail.name = "Mail";
  mail.defaults = {FireWhen::EndingDropped, FireWhere::WordStart, CaseRule::Ignore};
  mail.onlyIn = {"outlook.exe"};
  const std::size_t group = table.AddGroup(mail);
  table.Set("plain", "Hello World");
  table.Set("lines", "one{{newline}}two{{tab}}three");
  table.Set("btw", "by the way",
            EntryInfo{{FireWhen::EndingKept, FireWhere::WordStart, CaseRule::Conform}, 0});
  table.Set("left", "x", EntryInfo{{std::nullopt, FireWhere::WordStart, std::nullopt}, 0});
  table.Set("right", "y", EntryInfo{{FireWhen::EndingKept, std::nullopt, std::nullopt}, 0});
  table.Set("sig", "Regards{{cursor}} \"quoted\" back\\slash", EntryInfo{{}, group});
  table.Set("own", "z", EntryInfo{{FireWhen::AtOnce, FireWhere::Anywhere, CaseRule::Exact}, group});
  table.Set("stamp", "{{date}} {{time}} {{date:%Y-%m-%d}} and {{clipboard}}");
  table.Set("keys", "a{{key:Tab}}b{{delay:50}}{{key:Left:3}}c");
  table.Set(" spaced ", " lead and trail ");
  table.Set("unicode",
            "\xC3\xA9\xE2\x80\xA8\xF0\x9F\x98\x80 #{x} %Y $x \xC2\x85\xC2\x9F\xEF\xBB\xBF"
            "\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xBF\xBD\x01\x7F");
  table.Set("comma,\"q\"", "a,b");
  return table;
}

void ExpectSameEntries(const TriggerTable& table, const ImportResult& result) {
  ASSERT_TRUE(result.ok()) << result.error;
  ASSERT_EQ(result.entries.size(), table.size());
  for (const ImportedEntry& entry : result.entries) {
    const std::string* expansion = table.Find(entry.trigger);
    ASSERT_NE(expansion, nullptr) << entry.trigger;
    EXPECT_EQ(entry.expansion, *expansion) << entry.trigger;
    EXPECT_EQ(Resolve(result.FullOptions(entry)), table.OptionsOf(entry.trigger)) << entry.trigger;
  }
}

TEST(TriggerExport, EspansoFileImportsBackToTheSameEntries) {
  const TriggerTable table = RichTable();
  const std::string yaml = ExportEspanso(table);
  const ImportResult result = ImportFiles({{"tarquel.yml", yaml}});
  ExpectSameEntries(table, result);
  EXPECT_TRUE(result.notes.empty()) << result.notes[0].why;
  // espanso's own words where it has them.
  EXPECT_NE(yaml.find("word: true\n    propagate_case: true"), std::string::npos) << yaml;
  EXPECT_NE(yaml.find("replace: \"Regards$|$"), std::string::npos);
}

TEST(TriggerExport, CsvImportsBackToTheSameEntriesAndGroups) {
  const TriggerTable table = RichTable();
  const ImportResult result = ImportFiles({{"tarquel.csv", ExportCsv(table)}});
  EXPECT_EQ(result.format, ImportFormat::TarquelCsv);
  ExpectSameEntries(table, result);
  for (const ImportedEntry& entry : result.entries) {
    EXPECT_EQ(result.groups[entry.group].name,
              table.Groups()[table.InfoOf(entry.trigger).group].name);
  }
}

TEST(TriggerExport, OneGroupExportsOnlyItsEntries) {
  const TriggerTable table = RichTable();
  const std::size_t mail = *table.FindGroup("Mail");
  for (const std::string& text : {ExportEspanso(table, mail), ExportCsv(table, mail)}) {
    const ImportResult result =
        ImportFiles({{text.rfind("trigger,", 0) == 0 ? "m.csv" : "m.yml", text}});
    ASSERT_TRUE(result.ok()) << result.error;
    ASSERT_EQ(result.entries.size(), 2u);
    EXPECT_EQ(result.entries[0].trigger, "own");
    EXPECT_EQ(result.entries[1].trigger, "sig");
    EXPECT_EQ(Resolve(result.FullOptions(result.entries[1])), table.OptionsOf("sig"));
  }
}

TEST(TriggerExport, AnExportedTableImportedIntoItselfChangesNothing) {
  const TriggerTable table = RichTable();
  for (const ImportFile& file :
       {ImportFile{"t.yml", ExportEspanso(table)}, ImportFile{"t.csv", ExportCsv(table)}}) {
    const ImportPlan plan = PlanImport(table, ImportFiles({file}));
    EXPECT_TRUE(plan.added.empty()) << file.path;
    EXPECT_TRUE(plan.conflicts.empty()) << file.path;
    EXPECT_EQ(plan.alreadyThere.size(), table.size());
  }
}

TEST(TriggerExport, AnEmptyTableOrGroupExportsFilesThatImportAsEmpty) {
  TriggerTable table;
  table.Set("a", "b");
  TriggerGroup empty;
  empty.name = "Empty";
  const std::size_t group = table.AddGroup(empty);
  for (const ImportFile& file : {ImportFile{"e.yml", ExportEspanso(TriggerTable{})},
                                 ImportFile{"e.yml", ExportEspanso(table, group)},
                                 ImportFile{"e.csv", ExportCsv(TriggerTable{})},
                                 ImportFile{"e.csv", ExportCsv(table, group)}}) {
    const ImportResult result = ImportFiles({file});
    EXPECT_TRUE(result.ok()) << file.path << ": " << result.error;
    EXPECT_TRUE(result.entries.empty());
  }
}

TEST(TarquelCsv, RowsOfAnotherShapeImportNothing) {
  for (const char* csv : {"trigger,expansion,options,group\na,b,c\n",
                          "trigger,expansion,options,group\na,b,sometimes,\n",
                          "trigger,expansion,options,group\na,b,,Bad:Name\n"}) {
    const ImportResult result = ImportFiles({{"t.csv", csv}});
    EXPECT_FALSE(result.ok()) << csv;
    EXPECT_TRUE(result.entries.empty());
  }
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
