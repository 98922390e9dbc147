#include "store/conflict_copy.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "store/import_plan.h"
#include "store/trigger_file.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

TEST(ConflictCopyName, KnowsTheCopiesSyncServicesLeave) {
  for (const char* name : {
           "config-DESKTOP-1.txt",                              // OneDrive
           "config-LAPTOP.txt",                                 // OneDrive
           "config (Jane's conflicted copy 2026-12-01).txt",    // Dropbox
           "config (1).txt",                                    // Google Drive
           "config (conflicted copy 2026-12-01 101500).txt",    // Nextcloud
           "config.sync-conflict-20261201-101500-ABCDEFG.txt",  // Syncthing
           "config.txt.conflict",                               // others
           "CONFIG (2).TXT",                                    // as the file system finds it
       }) {
    EXPECT_TRUE(IsConflictCopyName(name)) << name;
  }
}

TEST(ConflictCopyName, PassesOverTarquelsOwnFilesAndOthers) {
  for (const char* name : {
           "config.txt",
           "config.txt.bak",
           "config.txt.bak-2",
           "config.txt.tmp",
           "config.txt.unsaved",
           "config (1).txt.merged",
           "config (1).txt.merged-2",
           "settings.txt",
           "configuration.txt",
           "config-.txt",
           "config ().txt",
           "config (1.txt",
           "myconfig (1).txt",
           "config (1).csv",
       }) {
    EXPECT_FALSE(IsConflictCopyName(name)) << name;
  }
}

// The copy as the sync service left it, merged with what the other PC keeps choosing "keep
// both" for every trigger changed on both sides.
TriggerTable Merge(const TriggerTable& mine, const std::string& copyBytes) {
  const ImportResult copy = ImportFiles({{"C:\\Sync\\config (1).txt", copyBytes}});
  EXPECT_TRUE(copy.ok()) << copy.error;
  EXPECT_EQ(copy.format, ImportFormat::TarquelConfig);
  ImportPlan plan = PlanImport(mine, copy);
  plan.ChooseForAll(ConflictChoice::KeepBoth);
  return ApplyImport(mine, plan);
}

TEST(ConflictCopyMerge, KeepsBothSidesOfAChangeAndRemovesNothing) {
  const TriggerTable mine = ParseTriggerText(
      ":same=unchanged\r\n"
      ":sig=Regards, Jane\r\n"
      ":onlymine=kept\r\n");
  const TriggerTable merged = Merge(mine,
                                    ":same=unchanged\r\n"
                                    ":sig=Best, Jane\r\n"
                                    ":new=from the other PC\r\n");
  ASSERT_NE(merged.Find(":sig"), nullptr);
  EXPECT_EQ(*merged.Find(":sig"), "Regards, Jane");
  // Under a trigger that can be typed: ":sig-2" would fire ":sig" on its "g".
  ASSERT_NE(merged.Find("2:sig"), nullptr);
  EXPECT_EQ(*merged.Find("2:sig"), "Best, Jane");
  ASSERT_NE(merged.Find(":new"), nullptr);
  EXPECT_EQ(*merged.Find(":new"), "from the other PC");
  ASSERT_NE(merged.Find(":onlymine"), nullptr);
  EXPECT_EQ(merged.Find("2:same"), nullptr);
  EXPECT_EQ(merged.size(), 5u);
}

TEST(ConflictCopyMerge, EntriesKeepTheirGroupAndOptions) {
  const TriggerTable mine = ParseTriggerText(
      "[group Mail: only in outlook.exe]\r\n"
      ":hi=Hello\r\n");
  const TriggerTable merged = Merge(mine,
                                    "[group Mail: only in outlook.exe]\r\n"
                                    ":hi=Hello\r\n"
                                    "(options: word start, after ending)\r\n"
                                    "btw=by the way\r\n"
                                    "[group Code: off]\r\n"
                                    ":fn=function\r\n");
  // Mail is not made twice, and the new group comes with its switch.
  ASSERT_EQ(merged.Groups().size(), 3u);
  const std::size_t mail = *merged.FindGroup("Mail");
  const std::size_t code = *merged.FindGroup("Code");
  EXPECT_EQ(merged.InfoOf("btw").group, mail);
  const ResolvedOptions btw = merged.OptionsOf("btw");
  EXPECT_EQ(btw.where, FireWhere::WordStart);
  EXPECT_EQ(btw.when, FireWhen::EndingKept);
  EXPECT_EQ(merged.InfoOf(":fn").group, code);
  EXPECT_FALSE(merged.Groups()[code].enabled);
}

TEST(ConflictCopyMerge, ReadsACopyInAnotherEncoding) {
  // UTF-16 with its byte-order mark, as Notepad of an older Windows saved it on the other PC.
  const std::string utf8 = ":cafe=caf\xC3\xA9\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string(":cafe=caf")) utf16 += {c, '\0'};
  utf16 += "\xE9";
  utf16 += '\0';
  utf16 += "\r\0\n\0";
  const TriggerTable merged = Merge(TriggerTable{}, utf16);
  ASSERT_NE(merged.Find(":cafe"), nullptr);
  EXPECT_EQ(*merged.Find(":cafe") + "\r\n", utf8.substr(6));
}

TEST(ConflictCopyMerge, ACopyTooLargeToReadImportsNothing) {
  std::string many;
  for (std::size_t i = 0; i <= MaxTriggerEntries; ++i) many += ":t" + std::to_string(i) + "=x\n";
  const ImportResult copy = ImportFiles({{"config (1).txt", many}});
  EXPECT_FALSE(copy.ok());
  EXPECT_TRUE(copy.entries.empty());
}

TEST(ConflictCopyFormat, OnlyASingleTextFileIsAConfig) {
  EXPECT_EQ(DetectImportFormat({{"D:\\other pc\\config.txt", ":a=b\r\n"}}),
            ImportFormat::TarquelConfig);
  EXPECT_EQ(DetectImportFormat({{"config.txt.conflict", ":a=b\r\n"}}), ImportFormat::TarquelConfig);
  // An espanso folder with a read-me beside its match files.
  EXPECT_EQ(DetectImportFormat({{"match/README.txt", "read me"},
                                {"match/base.yml", "matches:\n  - trigger: a\n    replace: b\n"}}),
            ImportFormat::Espanso);
}

TEST(MergedCopyPath, NeverNamesAFileThatIsThere) {
  std::set<std::string> there;
  auto exists = [&](const std::filesystem::path& path) {
    return there.count(path.filename().string()) > 0;
  };
  EXPECT_EQ(MergedCopyPath("config (1).txt", exists).filename().string(), "config (1).txt.merged");
  there = {"config (1).txt.merged", "config (1).txt.merged-2"};
  EXPECT_EQ(MergedCopyPath("config (1).txt", exists).filename().string(),
            "config (1).txt.merged-3");
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
