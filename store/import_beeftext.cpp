#include "store/import_beeftext.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

#include "store/import_common.h"

namespace tarquel {

namespace {

constexpr ImportFormat Format = ImportFormat::Beeftext;
using Json = nlohmann::json;

// The snippet with its variables as Tarquel's placeholders; `dropWhy` set when the combo cannot
// be carried over at all.
struct Converted {
  std::string text;
  std::string dropWhy;
  std::vector<std::string> lost;
};

Converted ConvertSnippet(std::string_view snippet) {
  Converted out;
  for (std::size_t i = 0; i < snippet.size();) {
    if (snippet.compare(i, 2, "#{") != 0) {
      out.text += snippet[i++];
      continue;
    }
    // Up to the "}" no backslash escapes; "\}" and "\\" inside stand for "}" and "\".
    std::string inner;
    std::size_t j = i + 2;
    bool closed = false;
    while (j < snippet.size()) {
      if (snippet[j] == '\\' && j + 1 < snippet.size() &&
          (snippet[j + 1] == '}' || snippet[j + 1] == '\\')) {
        inner += snippet[j + 1];
        j += 2;
        continue;
      }
      if (snippet[j] == '}') {
        closed = true;
        break;
      }
      inner += snippet[j++];
    }
    if (!closed) {
      out.text += snippet.substr(i);
      break;
    }
    const std::string_view written = snippet.substr(i, j + 1 - i);
    i = j + 1;
    const std::size_t colon = inner.find(':');
    const std::string name = inner.substr(0, colon);
    const std::string parameter = colon == std::string::npos ? "" : inner.substr(colon + 1);
    if (inner == "clipboard") {
      out.text += "{{clipboard}}";
    } else if (inner == "cursor") {
      out.text += "{{cursor}}";
    } else if (inner == "date") {
      out.text += "{{date}}";
    } else if (inner == "time") {
      out.text += "{{time}}";
    } else if (inner == "dateTime") {
      out.text += "{{date}} {{time}}";
    } else if (name == "dateTime") {
      std::string format = parameter;
      // #{dateTime:+1d-2h:FORMAT}: a shift first.
      if (!format.empty() && (format[0] == '+' || format[0] == '-')) {
        const std::size_t end = format.find(':');
        out.lost.push_back("the date's shift " + format.substr(0, end) +
                           " is not carried over: the date is today's");
        format = end == std::string::npos ? "" : format.substr(end + 1);
      }
      if (format.empty()) {
        out.text += "{{date}} {{time}}";
      } else {
        out.text += "{{date:" + FromQtDateFormat(format, out.lost) + "}}";
      }
    } else if (name == "key" || name == "shortcut") {
      std::string key = parameter;
      if (name == "key") {
        const std::size_t countAt = key.find(':');
        std::string keyName = key.substr(0, countAt);
        if (EqualsIgnoringCase(keyName, "Return")) keyName = "Enter";
        key = countAt == std::string::npos ? keyName : keyName + key.substr(countAt);
      }
      out.text += "{{key:" + key + "}}";
    } else if (name == "delay") {
      out.text += "{{delay:" + parameter + "}}";
    } else if (name == "input") {
      out.dropWhy = "it asks for input (" + std::string(written) + ")";
      return out;
    } else if (name == "powershell") {
      out.dropWhy = "it runs a PowerShell script";
      return out;
    } else if (name == "combo" || name == "upper" || name == "lower" || name == "trim") {
      out.lost.push_back(std::string(written) + " puts in another combo: left out");
    } else if (name == "envVar") {
      out.lost.push_back(std::string(written) + " puts in an environment variable: left out");
    } else {
      // Beeftext types a variable it does not know as it stands.
      out.text += written;
    }
  }
  return out;
}

std::string GroupNameFor(std::string_view beeftextName) {
  std::string name = "Beeftext";
  if (!beeftextName.empty()) {
    name += ' ';
    for (char c : beeftextName) {
      name += (c == '=' || c == ':' || c == '\r' || c == '\n' || c == '\x1A') ? '_' : c;
    }
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

TriggerOptions BeeftextOptions(bool loose, bool caseInsensitive) {
  TriggerOptions options;
  options.when = FireWhen::AtOnce;
  options.where = loose ? FireWhere::Anywhere : FireWhere::WordStart;
  options.caseRule = caseInsensitive ? CaseRule::Ignore : CaseRule::Exact;
  return options;
}

TriggerGroup MainGroup() {
  TriggerGroup main = NamedGroup("Beeftext");
  main.defaults = BeeftextOptions(false, false);
  return main;
}

void AddCombo(ImportBuilder& builder, const std::string& where, std::string keyword,
              std::string_view snippet, const std::string& label, const TriggerOptions& options,
              std::string groupName, bool enabled) {
  Converted converted = ConvertSnippet(snippet);
  if (!converted.dropWhy.empty()) {
    builder.Note(where, keyword, converted.dropWhy);
    return;
  }
  TriggerGroup group = NamedGroup(GroupNameFor(groupName));
  group.defaults = builder.GroupAt(0).defaults;
  if (!enabled) {
    // Disabled combos stay disabled: a group of their own, switched off.
    group.name += " off";
    group.enabled = false;
  }
  const std::size_t index = builder.Group(std::move(group));
  for (std::string& why : converted.lost) builder.Note(where, keyword, std::move(why), false);
  builder.Add(where, std::move(keyword), converted.text, options, index, label);
}

const Json* Field(const Json& object, const char* name) {
  auto it = object.find(name);
  return it == object.end() ? nullptr : &*it;
}

std::string StringField(const Json& object, const char* name, const char* olderName = nullptr) {
  const Json* field = Field(object, name);
  if ((!field || !field->is_string()) && olderName) field = Field(object, olderName);
  return field && field->is_string() ? field->get<std::string>() : std::string();
}

ImportResult ImportJson(const ImportFile& file) {
  Json root;
  try {
    root = Json::parse(SourceText(file.bytes));
  } catch (const Json::exception& error) {
    // A syntax error, or a number beyond what a double holds.
    return ImportBuilder::Failed(Format, file.path + ": not JSON (" + error.what() + ")");
  }
  const Json* combos = root.is_object() ? Field(root, "combos") : nullptr;
  if (!combos || !combos->is_array()) {
    return ImportBuilder::Failed(
        Format, file.path + ": not a Beeftext combo list (no \"combos\" list at its top)");
  }
  std::map<std::string, std::pair<std::string, bool>> groups;  // uuid: name, enabled
  if (const Json* list = Field(root, "groups"); list && list->is_array()) {
    for (const Json& group : *list) {
      if (!group.is_object()) {
        return ImportBuilder::Failed(Format, file.path + ": a group is not an object");
      }
      const Json* enabled = Field(group, "enabled");
      groups[StringField(group, "uuid")] = {
          StringField(group, "name"), !enabled || !enabled->is_boolean() || enabled->get<bool>()};
    }
  }
  ImportBuilder builder(Format, MainGroup());
  std::size_t number = 0;
  for (const Json& combo : *combos) {
    ++number;
    const std::string where = file.path + ": combo " + std::to_string(number);
    if (!combo.is_object()) {
      return ImportBuilder::Failed(Format, where + " is not an object");
    }
    const Json* keywordField = Field(combo, "keyword");
    if (!keywordField) keywordField = Field(combo, "comboText");
    const Json* snippetField = Field(combo, "snippet");
    if (!snippetField) snippetField = Field(combo, "substitutionText");
    if (!keywordField || !keywordField->is_string() || !snippetField ||
        !snippetField->is_string()) {
      return ImportBuilder::Failed(Format, where + " has no keyword and snippet texts");
    }
    std::string keyword = keywordField->get<std::string>();
    bool loose = false;
    if (const Json* mode = Field(combo, "matchingMode"); mode && mode->is_number_integer()) {
      loose = mode->get<long long>() == 2;
    } else if (const Json* older = Field(combo, "useLooseMatch"); older && older->is_boolean()) {
      loose = older->get<bool>();
    }
    bool insensitive = false;
    if (const Json* rule = Field(combo, "caseSensitivity"); rule && rule->is_number_integer()) {
      insensitive = rule->get<long long>() == 2;
    }
    const Json* enabledField = Field(combo, "enabled");
    bool enabled = !enabledField || !enabledField->is_boolean() || enabledField->get<bool>();
    std::string groupName;
    if (const std::string uuid = StringField(combo, "group"); !uuid.empty()) {
      if (auto found = groups.find(uuid); found != groups.end()) {
        groupName = found->second.first;
        enabled = enabled && found->second.second;
      }
    }
    if (const Json* html = Field(combo, "useHtml");
        html && html->is_boolean() && html->get<bool>()) {
      builder.Note(where, keyword, "rich text (HTML)");
      continue;
    }
    AddCombo(builder, where, std::move(keyword), snippetField->get<std::string>(),
             StringField(combo, "name"), BeeftextOptions(loose, insensitive), groupName, enabled);
  }
  return builder.Finish();
}

ImportResult ImportCsv(const ImportFile& file) {
  std::string error;
  const std::vector<CsvRow> rows = ReadCsv(SourceText(file.bytes), error);
  if (!error.empty()) return ImportBuilder::Failed(Format, file.path + ": " + error);
  ImportBuilder builder(Format, MainGroup());
  const bool cheatSheet = !rows.empty() && rows.front().fields.size() == 4 &&
                          EqualsIgnoringCase(rows.front().fields[2], "keyword");
  for (std::size_t r = cheatSheet ? 1 : 0; r < rows.size(); ++r) {
    const CsvRow& row = rows[r];
    const std::string where = WhereIn(file.path, row.line);
    const std::size_t expected = cheatSheet ? 4 : 3;
    if (row.fields.size() != expected) {
      return ImportBuilder::Failed(Format, where + ": a row has " +
                                               std::to_string(row.fields.size()) + " fields, not " +
                                               std::to_string(expected));
    }
    const TriggerOptions options = BeeftextOptions(false, false);
    if (cheatSheet) {
      AddCombo(builder, where, row.fields[2], row.fields[3], row.fields[1], options, row.fields[0],
               true);
    } else {
      AddCombo(builder, where, row.fields[0], row.fields[1], row.fields[2], options, "", true);
    }
  }
  return builder.Finish();
}

}  // namespace

std::string FromQtDateFormat(std::string_view qt, std::vector<std::string>& lost) {
  std::string out;
  for (std::size_t i = 0; i < qt.size();) {
    const char c = qt[i];
    if (c == '\'') {
      // 'quoted text', '' a quote.
      const std::size_t end = qt.find('\'', i + 1);
      if (end == i + 1) {
        out += '\'';
        i += 2;
        continue;
      }
      const std::string_view literal =
          qt.substr(i + 1, (end == std::string_view::npos ? qt.size() : end) - i - 1);
      for (char l : literal) out += l == '%' ? std::string("%%") : std::string(1, l);
      i = end == std::string_view::npos ? qt.size() : end + 1;
      continue;
    }
    std::size_t run = 1;
    while (i + run < qt.size() && qt[i + run] == c) ++run;
    auto take = [&](std::string code, std::size_t length, const char* why = nullptr) {
      out += code;
      if (why) lost.push_back(std::string(why));
      i += length;
    };
    switch (c) {
      case 'y':
        if (run >= 4) {
          take("%Y", 4);
        } else {
          take("%Y", run, "a two-digit year (yy) is written with four digits");
        }
        break;
      case 'M':
        if (run >= 4) {
          take("%B", 4);
        } else if (run == 3) {
          take("%b", 3);
        } else {
          take("%m", run, run == 1 ? "a month without its leading zero (M) gets one" : nullptr);
        }
        break;
      case 'd':
        if (run >= 4) {
          take("%A", 4);
        } else if (run == 3) {
          take("%a", 3);
        } else {
          take("%d", run, run == 1 ? "a day without its leading zero (d) gets one" : nullptr);
        }
        break;
      case 'H':
      case 'h':
        take("%H", std::min<std::size_t>(run, 2),
             c == 'h' ? "a 12-hour clock (h) is written with 24 hours"
                      : (run == 1 ? "an hour without its leading zero (H) gets one" : nullptr));
        break;
      case 'm':
        take("%M", std::min<std::size_t>(run, 2));
        break;
      case 's':
        take("%S", std::min<std::size_t>(run, 2));
        break;
      case 'z':
        take("", run, "milliseconds (z) are left out");
        break;
      case 'A':
      case 'a':
        if (i + 1 < qt.size() && (qt[i + 1] == 'P' || qt[i + 1] == 'p')) {
          take("", 2, "AM/PM (AP) is left out");
        } else {
          take("", 1, "AM/PM (A) is left out");
        }
        break;
      case 'w':
        take("", run, "the week number (w) is left out");
        break;
      case '%':
        take("%%", 1);
        break;
      default:
        out += c;
        ++i;
        break;
    }
  }
  return out;
}

ImportResult ImportBeeftext(const std::vector<ImportFile>& files) {
  for (const ImportFile& file : files) {
    if (EndsWithIgnoringCase(file.path, ".csv")) return ImportCsv(file);
    const std::size_t start = file.bytes.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    if (EndsWithIgnoringCase(file.path, ".json") ||
        (start != std::string::npos && file.bytes[start] == '{')) {
      return ImportJson(file);
    }
  }
  if (files.size() == 1) return ImportCsv(files.front());
  return ImportBuilder::Failed(Format, "no Beeftext .json or .csv file to import");
}

}  // namespace tarquel
