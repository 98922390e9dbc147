#include "store/import_espanso.h"

#include <yaml.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "store/import_common.h"
#include "store/trigger_line_syntax.h"

namespace tarquel {

namespace {

// One parsed file; libyaml's document owns its nodes.
class YamlDocument {
 public:
  YamlDocument() = default;
  YamlDocument(const YamlDocument&) = delete;
  YamlDocument& operator=(const YamlDocument&) = delete;
  ~YamlDocument() {
    if (loaded_) yaml_document_delete(&document_);
  }

  // Empty when the text parsed; else what libyaml found wrong, and where.
  std::string Load(std::string_view text) {
    yaml_parser_t parser;
    if (!yaml_parser_initialize(&parser)) return "out of memory";
    yaml_parser_set_input_string(&parser, reinterpret_cast<const unsigned char*>(text.data()),
                                 text.size());
    std::string error;
    if (yaml_parser_load(&parser, &document_)) {
      loaded_ = true;
    } else {
      error = "line " + std::to_string(parser.problem_mark.line + 1) + ", column " +
              std::to_string(parser.problem_mark.column + 1) + ": " +
              (parser.problem ? parser.problem : "the YAML cannot be read");
      if (parser.context) error += std::string(" ") + parser.context;
    }
    yaml_parser_delete(&parser);
    return error;
  }

  const yaml_node_t* Root() { return loaded_ ? yaml_document_get_root_node(&document_) : nullptr; }
  const yaml_node_t* Node(int index) { return yaml_document_get_node(&document_, index); }

  const yaml_node_t* Get(const yaml_node_t* mapping, std::string_view key) {
    if (!mapping || mapping->type != YAML_MAPPING_NODE) return nullptr;
    for (const yaml_node_pair_t* pair = mapping->data.mapping.pairs.start;
         pair < mapping->data.mapping.pairs.top; ++pair) {
      const yaml_node_t* k = Node(pair->key);
      if (k && k->type == YAML_SCALAR_NODE && Text(k) == key) return Node(pair->value);
    }
    return nullptr;
  }

  std::vector<const yaml_node_t*> Items(const yaml_node_t* sequence) {
    std::vector<const yaml_node_t*> items;
    if (!sequence || sequence->type != YAML_SEQUENCE_NODE) return items;
    for (const yaml_node_item_t* item = sequence->data.sequence.items.start;
         item < sequence->data.sequence.items.top; ++item) {
      if (const yaml_node_t* node = Node(*item)) items.push_back(node);
    }
    return items;
  }

  static std::string_view Text(const yaml_node_t* scalar) {
    return {reinterpret_cast<const char*>(scalar->data.scalar.value), scalar->data.scalar.length};
  }

 private:
  yaml_document_t document_{};
  bool loaded_ = false;
};

bool IsScalar(const yaml_node_t* node) {
  return node && node->type == YAML_SCALAR_NODE;
}

bool IsTrue(const yaml_node_t* node) {
  if (!IsScalar(node)) return false;
  const std::string_view text = YamlDocument::Text(node);
  return EqualsIgnoringCase(text, "true") || EqualsIgnoringCase(text, "yes") ||
         EqualsIgnoringCase(text, "on");
}

// `matches:` with nothing after it: no matches.
bool IsNull(const yaml_node_t* node) {
  if (!IsScalar(node) || node->data.scalar.style != YAML_PLAIN_SCALAR_STYLE) return false;
  const std::string_view text = YamlDocument::Text(node);
  return text.empty() || text == "~" || text == "null" || text == "Null" || text == "NULL";
}

std::size_t LineOf(const yaml_node_t* node) {
  return node->start_mark.line + 1;
}

std::string NormalPath(std::string_view path) {
  std::string slashes(path);
  std::replace(slashes.begin(), slashes.end(), '\\', '/');
  return std::filesystem::path(slashes).lexically_normal().generic_string();
}

std::string FileName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool IsYamlPath(std::string_view path) {
  return EndsWithIgnoringCase(path, ".yml") || EndsWithIgnoringCase(path, ".yaml");
}

// What a variable puts into the expansion.
struct Variable {
  // Set when the entry cannot be carried over with it.
  std::string dropWhy;
  std::string text;
  // A part of it that is lost (a date's offset).
  std::string partWhy;
};

// chrono's %-codes that Tarquel's {{date:...}} writes the same way.
bool TarquelFormatsDate(std::string_view format, std::string& unknown) {
  static constexpr std::string_view Known = "YmdHMSAaBbj%";
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (i + 1 >= format.size() || Known.find(format[i + 1]) == std::string_view::npos) {
      unknown = std::string(format.substr(i, 2));
      return false;
    }
    ++i;
  }
  return true;
}

Variable ReadVariable(YamlDocument& doc, const yaml_node_t* var) {
  const yaml_node_t* type = doc.Get(var, "type");
  const yaml_node_t* params = doc.Get(var, "params");
  const std::string kind = IsScalar(type) ? std::string(YamlDocument::Text(type)) : std::string();
  Variable out;
  if (kind == "clipboard") {
    out.text = "{{clipboard}}";
  } else if (kind == "echo") {
    const yaml_node_t* echo = doc.Get(params, "echo");
    out.text = IsScalar(echo) ? std::string(YamlDocument::Text(echo)) : std::string();
  } else if (kind == "date") {
    const yaml_node_t* format = doc.Get(params, "format");
    const std::string text = IsScalar(format) ? std::string(YamlDocument::Text(format)) : "";
    std::string unknown;
    if (text == "%x") {
      out.text = "{{date}}";
    } else if (text == "%X") {
      out.text = "{{time}}";
    } else if (text.find("}}") != std::string::npos) {
      out.dropWhy = "a date format holding \"}}\"";
    } else {
      out.text = "{{date:" + text + "}}";
      if (!TarquelFormatsDate(text, unknown)) {
        out.partWhy = "the date code " + unknown + " is typed as it stands";
      }
    }
    const yaml_node_t* offset = doc.Get(params, "offset");
    if (IsScalar(offset) && YamlDocument::Text(offset) != "0") {
      out.partWhy = "the date's offset is not carried over: today's date is typed";
    }
    if (doc.Get(params, "locale")) {
      out.partWhy = "the date's locale is not carried over: Windows' language names the days";
    }
  } else if (kind == "shell") {
    out.dropWhy = "it runs a shell command";
  } else if (kind == "script") {
    out.dropWhy = "it runs a script";
  } else if (kind == "form") {
    out.dropWhy = "it is a form";
  } else if (kind == "random") {
    out.dropWhy = "it picks a random text";
  } else if (kind == "choice") {
    out.dropWhy = "it asks for a choice";
  } else if (kind == "match") {
    out.dropWhy = "it puts in another match's output";
  } else {
    out.dropWhy = "it uses a variable of type \"" + kind + "\"";
  }
  return out;
}

using Variables = std::map<std::string, Variable, std::less<>>;

void ReadVariables(YamlDocument& doc, const yaml_node_t* list, Variables& into) {
  for (const yaml_node_t* var : doc.Items(list)) {
    const yaml_node_t* name = doc.Get(var, "name");
    if (IsScalar(name)) into[std::string(YamlDocument::Text(name))] = ReadVariable(doc, var);
  }
}

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.';
}

struct Rendered {
  std::string text;
  std::string dropWhy;
  std::vector<std::string> partWhys;
};

Rendered RenderReplace(std::string_view replace, const Variables& local, const Variables& global) {
  Rendered out;
  for (std::size_t i = 0; i < replace.size();) {
    if (replace.compare(i, 4, "\\{\\{") == 0) {
      out.text += "{{";
      i += 4;
      continue;
    }
    if (replace.compare(i, 3, "$|$") == 0) {
      out.text += "{{cursor}}";
      i += 3;
      continue;
    }
    if (replace.compare(i, 2, "{{") == 0) {
      std::size_t start = i + 2;
      while (start < replace.size() && replace[start] == ' ') ++start;
      std::size_t end = start;
      while (end < replace.size() && IsNameCharacter(replace[end])) ++end;
      std::size_t close = end;
      while (close < replace.size() && replace[close] == ' ') ++close;
      if (end > start && replace.compare(close, 2, "}}") == 0) {
        const std::string_view name = replace.substr(start, end - start);
        if (name.find('.') != std::string_view::npos) {
          out.dropWhy = "it fills in a form";
          return out;
        }
        const Variable* var = nullptr;
        if (auto l = local.find(name); l != local.end()) {
          var = &l->second;
        } else if (auto g = global.find(name); g != global.end()) {
          var = &g->second;
        }
        if (!var) {
          out.partWhys.push_back("{{" + std::string(name) +
                                 "}} names no variable: typed as it stands");
          out.text += replace.substr(i, close + 2 - i);
        } else if (!var->dropWhy.empty()) {
          out.dropWhy = var->dropWhy;
          return out;
        } else {
          out.text += var->text;
          if (!var->partWhy.empty()) out.partWhys.push_back(var->partWhy);
        }
        i = close + 2;
        continue;
      }
    }
    out.text += replace[i++];
  }
  return out;
}

std::string GroupName(std::string_view path) {
  // A package's matches go to a group of their own: match/packages/<name>/package.yml.
  const std::string marker = "packages/";
  std::size_t at = path.rfind(marker);
  if (at != std::string_view::npos && (at == 0 || path[at - 1] == '/')) {
    const std::size_t start = at + marker.size();
    const std::size_t end = path.find('/', start);
    if (end != std::string_view::npos) {
      std::string name = "espanso " + std::string(path.substr(start, end - start));
      for (char& c : name) {
        if (c == '=' || c == ':' || c == '\r' || c == '\n' || c == '\x1A') c = '_';
      }
      return name;
    }
  }
  return "espanso";
}

struct LoadedFile {
  std::string path;
  std::unique_ptr<YamlDocument> doc;
};

}  // namespace

ImportResult ImportEspanso(const std::vector<ImportFile>& files) {
  constexpr ImportFormat Format = ImportFormat::Espanso;
  std::map<std::string, const ImportFile*> byPath;
  for (const ImportFile& file : files) {
    if (IsYamlPath(file.path)) byPath.emplace(NormalPath(file.path), &file);
  }
  if (byPath.empty()) return ImportBuilder::Failed(Format, "no .yml file to import");

  // Every file first, imports followed: one file that does not parse imports nothing at all.
  std::deque<std::string> queue;
  for (const auto& [path, file] : byPath) {
    if (FileName(path).rfind('_', 0) != 0) queue.push_back(path);
  }
  if (queue.empty()) queue.push_back(byPath.begin()->first);
  std::set<std::string> seen(queue.begin(), queue.end());
  std::vector<LoadedFile> loaded;
  std::vector<ImportNote> importNotes;
  Variables global;
  while (!queue.empty()) {
    const std::string path = std::move(queue.front());
    queue.pop_front();
    const ImportFile& file = *byPath.at(path);
    auto doc = std::make_unique<YamlDocument>();
    const std::string error = doc->Load(UnixLineBreaks(SourceText(file.bytes)));
    if (!error.empty()) return ImportBuilder::Failed(Format, file.path + ": " + error);
    const yaml_node_t* root = doc->Root();
    if (root && root->type != YAML_MAPPING_NODE) {
      return ImportBuilder::Failed(Format,
                                   file.path + ": not an espanso match file (its top is " +
                                       "not a mapping of matches:, imports:, global_vars:)");
    }
    const yaml_node_t* matches = doc->Get(root, "matches");
    if (matches && matches->type != YAML_SEQUENCE_NODE && !IsNull(matches)) {
      return ImportBuilder::Failed(
          Format, WhereIn(file.path, LineOf(matches)) + ": matches: is not a list");
    }
    for (const yaml_node_t* target : doc->Items(doc->Get(root, "imports"))) {
      if (!IsScalar(target)) continue;
      const std::string_view name = YamlDocument::Text(target);
      const std::size_t slash = path.rfind('/');
      const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
      std::string resolved = NormalPath(folder + std::string(name));
      if (byPath.count(resolved) == 0) {
        // $CONFIG/match/x.yml, or an absolute path on the machine the folder came from: found
        // by the end of its path among the files given.
        std::string tail = NormalPath(name);
        if (tail.rfind("$CONFIG/", 0) == 0) tail.erase(0, 8);
        for (const auto& [candidate, unused] : byPath) {
          if (candidate == tail || EndsWithIgnoringCase(tail, "/" + candidate) ||
              EndsWithIgnoringCase(candidate, "/" + tail)) {
            resolved = candidate;
            break;
          }
        }
      }
      if (byPath.count(resolved) == 0) {
        importNotes.push_back({WhereIn(file.path, LineOf(target)), "",
                               "the file it imports, " + std::string(name) +
                                   ", is not among the files: its matches are not imported",
                               true});
      } else if (seen.insert(resolved).second) {
        queue.push_back(resolved);
      }
    }
    ReadVariables(*doc, doc->Get(root, "global_vars"), global);
    loaded.push_back({path, std::move(doc)});
  }

  ImportBuilder builder(Format, NamedGroup("espanso"));
  for (ImportNote& note : importNotes) builder.Note(note.where, note.trigger, note.why);
  for (LoadedFile& file : loaded) {
    YamlDocument& doc = *file.doc;
    const std::size_t group = builder.Group(NamedGroup(GroupName(file.path)));
    const std::string shownPath = byPath.at(file.path)->path;
    for (const yaml_node_t* match : doc.Items(doc.Get(doc.Root(), "matches"))) {
      const std::string where = WhereIn(shownPath, LineOf(match));
      if (match->type != YAML_MAPPING_NODE) {
        return ImportBuilder::Failed(Format, where +
                                                 ": a match is not a mapping of trigger:, "
                                                 "replace: and the like");
      }
      std::vector<std::string> triggers;
      const yaml_node_t* one = doc.Get(match, "trigger");
      if (one) {
        if (!IsScalar(one))
          return ImportBuilder::Failed(Format, where + ": trigger: is not a text");
        triggers.emplace_back(YamlDocument::Text(one));
      }
      if (const yaml_node_t* many = doc.Get(match, "triggers")) {
        if (many->type != YAML_SEQUENCE_NODE) {
          return ImportBuilder::Failed(Format, where + ": triggers: is not a list");
        }
        for (const yaml_node_t* item : doc.Items(many)) {
          if (!IsScalar(item)) {
            return ImportBuilder::Failed(Format, where + ": an item of triggers: is not a text");
          }
          triggers.emplace_back(YamlDocument::Text(item));
        }
      }
      const yaml_node_t* regex = doc.Get(match, "regex");
      const std::string firstTrigger =
          !triggers.empty() ? triggers.front()
                            : (IsScalar(regex) ? std::string(YamlDocument::Text(regex)) : "");
      auto drop = [&](std::string why) { builder.Note(where, firstTrigger, std::move(why)); };
      if (triggers.empty()) {
        drop(regex ? "a regular expression trigger" : "it has no trigger");
        continue;
      }
      const yaml_node_t* replace = doc.Get(match, "replace");
      if (!replace) {
        if (doc.Get(match, "form")) {
          drop("it is a form");
        } else if (doc.Get(match, "image_path")) {
          drop("it puts in an image");
        } else if (doc.Get(match, "markdown") || doc.Get(match, "html")) {
          drop("rich text (markdown or HTML)");
        } else {
          drop("it has no replace:");
        }
        continue;
      }
      if (!IsScalar(replace)) {
        return ImportBuilder::Failed(Format, where + ": replace: is not a text");
      }
      Variables local;
      ReadVariables(doc, doc.Get(match, "vars"), local);
      Rendered rendered = RenderReplace(YamlDocument::Text(replace), local, global);
      if (!rendered.dropWhy.empty()) {
        drop(rendered.dropWhy);
        continue;
      }

      TriggerOptions options;
      const bool word = IsTrue(doc.Get(match, "word"));
      if (word || IsTrue(doc.Get(match, "left_word"))) options.where = FireWhere::WordStart;
      if (word || IsTrue(doc.Get(match, "right_word"))) options.when = FireWhen::EndingKept;
      if (IsTrue(doc.Get(match, "propagate_case"))) {
        options.caseRule = CaseRule::Conform;
        const yaml_node_t* style = doc.Get(match, "uppercase_style");
        if (IsScalar(style) && YamlDocument::Text(style) == "capitalize_words") {
          rendered.partWhys.push_back(
              "uppercase_style: capitalize_words is not carried over: a trigger typed with a "
              "capital capitalizes the first word only");
        }
      }
      if (const yaml_node_t* own = doc.Get(match, EspansoTarquelOptionsKey); IsScalar(own)) {
        const std::string words(YamlDocument::Text(own));
        if (std::optional<TriggerOptions> parsed = ParseOptionsLine("(options: " + words + ")")) {
          options = parsed->Over(options);
        }
      }
      const yaml_node_t* label = doc.Get(match, "label");
      const std::string labelText =
          IsScalar(label) ? std::string(YamlDocument::Text(label)) : std::string();
      for (const std::string& why : rendered.partWhys) {
        builder.Note(where, triggers.front(), why, false);
      }
      for (std::string& trigger : triggers) {
        builder.Add(where, std::move(trigger), rendered.text, options, group, labelText);
      }
    }
  }
  return builder.Finish();
}

}  // namespace tarquel
