#include "ui/import_preview.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/import.h"
#include "store/import_plan.h"
#include "store/import_source.h"
#include "tests/support/import_results.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::ImportAhk;

TEST(ImportPathArgument, FindsTheFileAfterTheArgumentOrAfterItsEqualsSign) {
  struct Row {
    std::vector<std::wstring> arguments;
    std::optional<std::wstring> path;
  };
  const Row rows[] = {
      {{L"tarquel.exe"}, std::nullopt},
      {{L"tarquel.exe", L"--import", L"C:\\My Files\\h.ahk"}, L"C:\\My Files\\h.ahk"},
      {{L"tarquel.exe", L"--logon", L"--import", L"match"}, L"match"},
      {{L"tarquel.exe", L"--import=C:\\a.yml"}, L"C:\\a.yml"},
      // Nothing after it, or nothing in it: no import.
      {{L"tarquel.exe", L"--import"}, std::nullopt},
      {{L"tarquel.exe", L"--import", L""}, std::nullopt},
      {{L"tarquel.exe", L"--import="}, std::nullopt},
      {{L"tarquel.exe", L"--imports", L"x"}, std::nullopt},
      // The program's own name is no argument.
      {{L"--import", L"x"}, std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ImportPathArgument(row.arguments), row.path) << "row " << &row - rows;
  }
}

TEST(ImportPreviewText, CountsNewAndPresentEntriesAndListsConflictsAndNotes) {
  // "same" as an earlier import of it put it in, with AutoHotkey's options.
  TriggerTable table =
      ApplyImport(TriggerTable(), PlanImport(TriggerTable(), ImportAhk("::same::text\n")));
  table.Set("btw", "by the way");
  const ImportResult result =
      ImportAhk("::btw::between\n::same::text\n::new::fresh\n::two::second\n:X:run::Run x\n");
  ASSERT_TRUE(result.ok());
  ASSERT_FALSE(result.notes.empty());
  const std::string text = ImportPreviewText(PlanImport(table, result), "h.ahk");
  EXPECT_NE(text.find("From AutoHotkey (h.ahk): 4 entries."), std::string::npos) << text;
  EXPECT_NE(text.find("2 new entries, 1 already in your list as it is."), std::string::npos)
      << text;
  EXPECT_NE(text.find("1 trigger you already have"), std::string::npos) << text;
  EXPECT_NE(text.find("1 trigger you already have with another expansion or other options: "
                      "see the list below."),
            std::string::npos)
      << text;
  // Listed row by row beside the text, each with its own choice.
  EXPECT_EQ(text.find("between"), std::string::npos) << text;
  EXPECT_NE(text.find("Not carried over:"), std::string::npos) << text;
  EXPECT_NE(text.find("h.ahk:5 run: "), std::string::npos) << text;
  EXPECT_NE(text.find("(the entry is not imported)"), std::string::npos) << text;
  // The edit control that shows it breaks lines at CR LF only.
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
    ASSERT_GT(at, 0u);
    EXPECT_EQ(text[at - 1], '\r');
  }
}

TEST(ImportPreviewText, SaysNothingOfConflictsOrNotesWhenThereAreNone) {
  const std::string text =
      ImportPreviewText(PlanImport(TriggerTable(), ImportAhk("::a::b\n")), "x");
  EXPECT_EQ(text,
            "From AutoHotkey (x): 1 entry.\r\n1 new entry, 0 already in your list as they "
            "are.\r\n");
}

TEST(ImportPreviewText, ALongListEndsInHowManyMoreThereAre) {
  std::string script;
  for (std::size_t i = 0; i < PreviewListLimit + 5; ++i) {
    script += ":X:run" + std::to_string(i) + "::Run x\n";
  }
  const std::string text = ImportPreviewText(PlanImport(TriggerTable(), ImportAhk(script)), "x");
  EXPECT_NE(text.find("  ... and 5 more\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find(" run" + std::to_string(PreviewListLimit) + ":"), std::string::npos);
  EXPECT_NE(text.find(" run" + std::to_string(PreviewListLimit - 1) + ":"), std::string::npos);
}

// ---- the list of conflicts, a choice per row -----------------------------------------------

class ConflictRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table.Set("btw", "by the way");
    table.Set("sig", std::string(70, 'm'));
    table.Set("ty", "thank you");
    plan = PlanImport(table, ImportAhk(":*?C:btw::between\n:*?C:sig::theirs\n:*?C:ty::thx\n"));
    ASSERT_EQ(plan.conflicts.size(), 3u);
  }
  TriggerTable table;
  ImportPlan plan;
};

TEST_F(ConflictRowsTest, EachRowShowsTriggerYoursTheirsAndItsOwnChoice) {
  plan.conflicts[0].choice = ConflictChoice::KeepBoth;
  plan.conflicts[1].choice = ConflictChoice::TakeTheirs;
  using Cells = std::array<std::string, ConflictColumns>;
  EXPECT_EQ(ConflictCells(plan, 0),
            (Cells{"btw", "by the way", "between", "Keep both (theirs as 2btw)"}));
  // A long expansion is cut, so that the row stays one line.
  EXPECT_EQ(ConflictCells(plan, 1),
            (Cells{"sig", std::string(60, 'm') + "...", "theirs", "Take theirs"}));
  EXPECT_EQ(ConflictCells(plan, 2), (Cells{"ty", "thank you", "thx", "Keep mine"}));
}

TEST_F(ConflictRowsTest, SpaceGoesFromMineToTheirsToBothAndRoundAgain) {
  ConflictChoice choice = ConflictChoice::KeepMine;
  std::vector<ConflictChoice> seen;
  for (int i = 0; i < 4; ++i) seen.push_back(choice = NextChoice(choice));
  EXPECT_EQ(seen,
            (std::vector<ConflictChoice>{ConflictChoice::TakeTheirs, ConflictChoice::KeepBoth,
                                         ConflictChoice::KeepMine, ConflictChoice::TakeTheirs}));
}

TEST_F(ConflictRowsTest, TheButtonsForAllShowAChoiceOnlyWhenEveryRowHasIt) {
  EXPECT_EQ(CommonChoice(plan), ConflictChoice::KeepMine);
  plan.conflicts[2].choice = ConflictChoice::KeepBoth;
  EXPECT_EQ(CommonChoice(plan), std::nullopt);
  plan.ChooseForAll(ConflictChoice::TakeTheirs);
  EXPECT_EQ(CommonChoice(plan), ConflictChoice::TakeTheirs);
  EXPECT_EQ(CommonChoice(PlanImport(TriggerTable(), ImportAhk("::a::b\n"))), std::nullopt);
}

TEST_F(ConflictRowsTest, TheLineUnderTheListCountsEachChoice) {
  EXPECT_EQ(ChoicesText(plan), "3 of yours kept");
  plan.conflicts[0].choice = ConflictChoice::TakeTheirs;
  plan.conflicts[2].choice = ConflictChoice::KeepBoth;
  EXPECT_EQ(ChoicesText(plan), "1 of yours kept, 1 taken from the file, 1 kept beside yours");
  plan.ChooseForAll(ConflictChoice::KeepBoth);
  EXPECT_EQ(ChoicesText(plan), "3 kept beside yours");
}

TEST_F(ConflictRowsTest, EachRowsChoiceIsCarriedOut) {
  plan.conflicts[0].choice = ConflictChoice::TakeTheirs;
  plan.conflicts[1].choice = ConflictChoice::KeepBoth;
  const TriggerTable after = ApplyImport(table, plan);
  EXPECT_EQ(*after.Find("btw"), "between");
  EXPECT_EQ(*after.Find("sig"), std::string(70, 'm'));
  ASSERT_NE(after.Find("2sig"), nullptr);
  EXPECT_EQ(*after.Find("2sig"), "theirs");
  EXPECT_EQ(*after.Find("ty"), "thank you");
  EXPECT_EQ(after.Find("2ty"), nullptr);
  EXPECT_EQ(after.size(), 4u);
  EXPECT_EQ(ImportedText(plan),
            "Imported from AutoHotkey: 1 entry added, 1 replaced (Ctrl+Z in the list takes it "
            "back)");
}

TEST_F(ConflictRowsTest, ChoicesMadeInThePreviewSurviveAPlanAgainstAChangedTable) {
  const ImportResult result =
      ImportAhk(":*?C:btw::between\n:*?C:sig::theirs\n:*?C:ty::thx\n:*?C:new::theirs\n");
  ImportPlan preview = PlanImport(table, result);
  ASSERT_EQ(preview.conflicts.size(), 3u);
  preview.conflicts[0].choice = ConflictChoice::TakeTheirs;  // btw
  preview.conflicts[2].choice = ConflictChoice::KeepBoth;    // ty
  // Before Import was pressed, config.txt changed on disk: "sig" is gone, "new" is there.
  TriggerTable changed = table;
  changed.Erase("sig");
  changed.Set("new", "mine");
  ImportPlan again = PlanImport(changed, result);
  again.TakeChoices(preview, ConflictChoice::KeepMine);
  ASSERT_EQ(again.conflicts.size(), 3u);
  EXPECT_EQ(again.conflicts[0].choice, ConflictChoice::TakeTheirs);  // btw
  EXPECT_EQ(again.conflicts[1].choice, ConflictChoice::KeepBoth);    // ty
  // No conflict in the preview, so nobody chose: the user's own stays.
  EXPECT_EQ(again.conflicts[2].choice, ConflictChoice::KeepMine);  // new
}

TEST(ImportedText, CountsEntriesAddedUnderANewTriggerAsAdded) {
  TriggerTable table;
  table.Set("a", "mine");
  table.Set("b", "mine");
  ImportPlan plan = PlanImport(table, ImportAhk("::a::x\n::b::y\n::c::z\n"));
  plan.conflicts[0].choice = ConflictChoice::KeepBoth;
  plan.conflicts[1].choice = ConflictChoice::TakeTheirs;
  EXPECT_EQ(ImportedText(plan),
            "Imported from AutoHotkey: 2 entries added, 1 replaced (Ctrl+Z in the list takes it "
            "back)");
}

class UndoImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    before.Set("keep", "mine");
    before.Set("swap", "mine");
    ImportPlan plan = PlanImport(
        before, ImportAhk("#IfWinActive ahk_exe word.exe\n:*:swap::theirs\n:C1:fresh::new one\n"));
    plan.ChooseForAll(ConflictChoice::TakeTheirs);
    after = ApplyImport(before, plan);
    ASSERT_EQ(*after.Find("swap"), "theirs");
    ASSERT_GT(after.Groups().size(), before.Groups().size());
  }
  TriggerTable before;
  TriggerTable after;
};

TEST_F(UndoImportTest, WithNothingChangedSinceGivesTheTableBeforeExactly) {
  TriggerTable now = after;
  UndoImport(now, before, after);
  EXPECT_EQ(now.size(), before.size());
  EXPECT_EQ(now.Groups(), before.Groups());
  EXPECT_EQ(*now.Find("swap"), "mine");
  EXPECT_EQ(now.InfoOf("swap"), before.InfoOf("swap"));
  EXPECT_EQ(now.Find("fresh"), nullptr);
}

TEST_F(UndoImportTest, KeepsWhatChangedSinceAndTakesBackTheRest) {
  TriggerTable now = after;
  now.Set("later", "added after the import");
  now.Set("fresh", "edited after the import");
  UndoImport(now, before, after);
  EXPECT_EQ(*now.Find("swap"), "mine");
  EXPECT_EQ(now.InfoOf("swap").group, 0u);
  EXPECT_EQ(now.InfoOf("swap").options, before.InfoOf("swap").options);
  EXPECT_EQ(*now.Find("keep"), "mine");
  ASSERT_NE(now.Find("later"), nullptr);
  ASSERT_NE(now.Find("fresh"), nullptr);
  EXPECT_EQ(*now.Find("fresh"), "edited after the import");
}

class ImportSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("tarquel-import-" +
              std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "packages" / "p");
  }
  void TearDown() override { std::filesystem::remove_all(folder); }
  void Write(const std::filesystem::path& relative, std::string_view bytes) {
    std::ofstream(folder / relative, std::ios::binary) << bytes;
  }
  std::filesystem::path folder;
};

TEST_F(ImportSourceTest, AFolderGivesItsMatchFilesWithThoseOfItsPackagesInPathOrder) {
  Write("base.yml", "matches:\n  - trigger: a\n    replace: b\n");
  Write("packages/p/package.YAML", "matches:\n  - trigger: c\n    replace: d\n");
  Write("README.md", "not a match file");
  const ImportSource source = ReadImportSource(folder);
  ASSERT_EQ(source.error, "");
  ASSERT_EQ(source.files.size(), 2u);
  EXPECT_TRUE(source.files[0].path.ends_with("base.yml"));
  EXPECT_TRUE(source.files[1].path.ends_with("package.YAML"));
  const ImportResult result = ImportFiles(source.files);
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.entries.size(), 2u);
}

TEST_F(ImportSourceTest, AFileIsReadAsItIs) {
  Write("h.ahk", "::x::y\r\n");
  const ImportSource source = ReadImportSource(folder / "h.ahk");
  ASSERT_EQ(source.error, "");
  ASSERT_EQ(source.files.size(), 1u);
  EXPECT_EQ(source.files[0].bytes, "::x::y\r\n");
}

TEST_F(ImportSourceTest, SaysWhyNothingCouldBeReadAndGivesNothing) {
  EXPECT_NE(ReadImportSource(folder / "gone.ahk").error.find("There is no file or folder"),
            std::string::npos);
  EXPECT_NE(ReadImportSource(folder / "packages").error.find("no espanso match files"),
            std::string::npos);
  // One file of the folder that cannot be read: none of the folder is imported.
  Write("a.yml", "matches: []\n");
  Write("b.yml", "matches: []\n");
  const ImportSource held =
      ReadImportSource(folder, [](const std::filesystem::path& path, std::size_t limit) {
        if (path.filename() == "b.yml") return FileRead{FileRead::Status::Unopened, {}};
        return ReadFileUpTo(path, limit);
      });
  EXPECT_TRUE(held.files.empty());
  EXPECT_NE(held.error.find("cannot be opened"), std::string::npos) << held.error;
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
