#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/import.h"
#include "tests/support/import_results.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::EntryOf;
using testing::Noted;

ImportResult Espanso(std::string yaml, std::string path = "match/base.yml") {
  return ImportFiles({{std::move(path), std::move(yaml)}});
}

TEST(ImportEspanso, ReadsEveryListedFeatureOfAMatchFile) {
  const ImportResult result = Espanso(R"(global_vars:
  - name: today
    type: date
    params:
      format: "%Y-%m-%d"
matches:
  - trigger: ":sig"
    replace: |
      Best regards,
      Jane
    label: Signature
  - triggers: [":hi", ":hello"]
    replace: "Hello\tthere$|$!"
  - trigger: "btw"
    replace: "by the way"
    word: true
    propagate_case: true
  - trigger: "lw"
    replace: left
    left_word: true
  - trigger: "rw"
    replace: right
    right_word: true
  - trigger: ":date"
    replace: "Today is {{today}}, paste {{clip}} and {{said}}"
    vars:
      - name: clip
        type: clipboard
      - name: said
        type: echo
        params:
          echo: hello
  - trigger: ":tomorrow"
    replace: "{{tmr}}"
    vars:
      - name: tmr
        type: date
        params:
          format: "%d.%m.%Y"
          offset: 86400
  - trigger: ":lit"
    replace: 'a \{\{literal}} b'
)");
  ASSERT_TRUE(result.ok()) << result.error;
  ASSERT_EQ(result.groups.size(), 1u);
  EXPECT_EQ(result.groups[0].name, "espanso");

  const ImportedEntry* sig = EntryOf(result, ":sig");
  ASSERT_NE(sig, nullptr);
  EXPECT_EQ(sig->expansion, "Best regards,{{newline}}Jane{{newline}}");
  EXPECT_EQ(sig->label, "Signature");
  EXPECT_EQ(sig->where, "base.yml:7");
  EXPECT_TRUE(result.FullOptions(*sig).empty());

  for (const char* trigger : {":hi", ":hello"}) {
    const ImportedEntry* hi = EntryOf(result, trigger);
    ASSERT_NE(hi, nullptr) << trigger;
    EXPECT_EQ(hi->expansion, "Hello{{tab}}there{{cursor}}!");
  }

  const ImportedEntry* btw = EntryOf(result, "btw");
  ASSERT_NE(btw, nullptr);
  EXPECT_EQ(Resolve(result.FullOptions(*btw)),
            (ResolvedOptions{FireWhen::EndingKept, FireWhere::WordStart, CaseRule::Conform}));
  EXPECT_EQ(Resolve(result.FullOptions(*EntryOf(result, "lw"))),
            (ResolvedOptions{FireWhen::AtOnce, FireWhere::WordStart, CaseRule::Exact}));
  EXPECT_EQ(Resolve(result.FullOptions(*EntryOf(result, "rw"))),
            (ResolvedOptions{FireWhen::EndingKept, FireWhere::Anywhere, CaseRule::Exact}));

  EXPECT_EQ(EntryOf(result, ":date")->expansion,
            "Today is {{date:%Y-%m-%d}}, paste {{clipboard}} and hello");
  // The offset is lost, and said so; the entry is still there.
  EXPECT_EQ(EntryOf(result, ":tomorrow")->expansion, "{{date:%d.%m.%Y}}");
  EXPECT_TRUE(Noted(result, ":tomorrow", "offset", false));
  EXPECT_EQ(EntryOf(result, ":lit")->expansion, "a {{literal}} b");
}

TEST(ImportEspanso, ListsWhatCannotBeCarriedOverWithItsPlace) {
  const ImportResult result = Espanso(R"(matches:
  - regex: "(?P<x>\\d+)km"
    replace: "{{x}} kilometres"
  - trigger: ":ip"
    replace: "{{out}}"
    vars:
      - name: out
        type: shell
        params:
          cmd: "curl example.com"
  - trigger: ":py"
    replace: "{{out}}"
    vars:
      - name: out
        type: script
        params:
          args: [python, x.py]
  - trigger: ":form"
    form: "Hi [[name]]"
  - trigger: ":md"
    markdown: "**bold**"
  - trigger: ":img"
    image_path: "$CONFIG/a.png"
  - trigger: ":ok"
    replace: fine
)");
  ASSERT_TRUE(result.ok()) << result.error;
  ASSERT_EQ(result.entries.size(), 1u);
  EXPECT_EQ(result.entries[0].trigger, ":ok");
  EXPECT_TRUE(Noted(result, "(?P<x>\\d+)km", "regular expression", true));
  EXPECT_TRUE(Noted(result, ":ip", "shell command", true));
  EXPECT_TRUE(Noted(result, ":py", "script", true));
  EXPECT_TRUE(Noted(result, ":form", "form", true));
  EXPECT_TRUE(Noted(result, ":md", "rich text", true));
  EXPECT_TRUE(Noted(result, ":img", "image", true));
  EXPECT_EQ(result.notes[1].where, "base.yml:4");
}

TEST(ImportEspanso, ReadsAFolderWithImportsAndPackagesEachFileOnce) {
  const std::vector<ImportFile> files = {
      {"espanso/match/base.yml",
       "imports:\n  - \"_shared.yml\"\n  - \"../missing.yml\"\n"
       "matches:\n  - trigger: a\n    replace: \"{{who}}\"\n"},
      {"espanso/match/_shared.yml",
       "global_vars:\n  - name: who\n    type: echo\n    params:\n"
       "      echo: Jane\nmatches:\n  - trigger: b\n    replace: B\n"},
      {"espanso/match/packages/greek/package.yml",
       "matches:\n  - trigger: \":alpha\"\n    replace: \"\xCE\xB1\"\n"},
      {"espanso/match/packages/greek/_manifest.yml", "name: greek\nversion: 0.1.0\n"},
      {"espanso/match/packages/greek/README.md", "# not yaml: [\n"},
  };
  const ImportResult result = ImportFiles(files);
  ASSERT_TRUE(result.ok()) << result.error;
  ASSERT_EQ(result.entries.size(), 3u);
  EXPECT_EQ(EntryOf(result, "a")->expansion, "Jane");
  ASSERT_NE(EntryOf(result, "b"), nullptr);
  const ImportedEntry* alpha = EntryOf(result, ":alpha");
  ASSERT_NE(alpha, nullptr);
  EXPECT_EQ(result.groups[alpha->group].name, "espanso greek");
  EXPECT_TRUE(Noted(result, "", "missing.yml", true));
}

TEST(ImportEspanso, KeepsTheFirstOfTwoMatchesWithOneTrigger) {
  const ImportResult result =
      Espanso("matches:\n  - trigger: x\n    replace: one\n  - trigger: x\n    replace: two\n");
  ASSERT_EQ(result.entries.size(), 1u);
  EXPECT_EQ(result.entries[0].expansion, "one");
  EXPECT_TRUE(Noted(result, "x", "defined again", true));
}

TEST(ImportEspanso, RefusesTriggersConfigTxtCannotHold) {
  const ImportResult result = Espanso(
      "matches:\n  - trigger: \"a=b\"\n    replace: x\n  - trigger: \"two\\nlines\"\n"
      "    replace: y\n  - trigger: \"\"\n    replace: z\n");
  ASSERT_TRUE(result.ok());
  EXPECT_TRUE(result.entries.empty());
  EXPECT_EQ(result.notes.size(), 3u);
}

TEST(ImportEspanso, MalformedFilesImportNothingAndSayWhere) {
  struct Case {
    const char* yaml;
    const char* message;
  };
  const Case cases[] = {
      {"matches:\n  - trigger: a\n    replace: \"never closed\n", "line "},
      {"matches:\n  - trigger: [a\n", "line "},
      {"- just\n- a list\n", "not an espanso match file"},
      {"matches: 42\n", "not a list"},
      {"matches:\n  - just text\n", "not a mapping"},
      {"matches:\n  - trigger: {a: b}\n    replace: x\n", "not a text"},
      {"matches:\n  - trigger: a\n    replace: [x]\n", "not a text"},
  };
  for (const Case& c : cases) {
    const ImportResult result = Espanso(c.yaml);
    EXPECT_FALSE(result.ok()) << c.yaml;
    EXPECT_NE(result.error.find(c.message), std::string::npos) << result.error;
    EXPECT_TRUE(result.entries.empty());
    EXPECT_TRUE(result.groups.empty());
  }
  // One bad file of a folder: nothing of the good one either.
  const ImportResult folder =
      ImportFiles({{"m/a.yml", "matches:\n  - trigger: a\n    replace: b\n"}, {"m/b.yml", "x: ["}});
  EXPECT_FALSE(folder.ok());
  EXPECT_NE(folder.error.find("b.yml"), std::string::npos);
  EXPECT_TRUE(folder.entries.empty());
}

TEST(ImportEspanso, AnEmptyFileImportsNothingWithoutComplaint) {
  for (const char* yaml : {"# only a comment\n", "matches:\n", "matches: ~\n", "matches: []\n"}) {
    const ImportResult result = Espanso(yaml);
    EXPECT_TRUE(result.ok()) << yaml;
    EXPECT_TRUE(result.entries.empty());
  }
  EXPECT_FALSE(Espanso("matches: \"\"\n").ok());
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
