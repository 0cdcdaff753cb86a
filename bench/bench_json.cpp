// The Chrome bookmarks file as a search reads it: a 50,000-bookmark file in Chrome's own
// layout parsed and walked (the direct children of the bar and of the other bookmarks, names
// matched against "git") by our JSON tree, nlohmann/json and RapidJSON in turn. Prints the
// ratios and the heap each tree holds.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <ctime>
#include <cstdio>
#include <map>
#include <string>

#include "data/json/JSON.h"

#ifdef LORVEX_BENCH_PEERS
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#endif

namespace {

constexpr int kBookmarks = 50000;
constexpr int kInFolder = 5000;  // in a folder of the bar, so parsed but not walked
constexpr int kInOther = 20000;

const char* const kWords[] = {"GitHub", "Digital", "Recipes", "News",      "Weather", "Maps", "Café déjà vu",
                              "Docs",   "Mail",    "Bank",    "Tickets 🎫", "Forum",   "Wiki", "Shop"};

// One bookmark as Chrome writes it: members indented three more than Indent, the closing
// brace at Indent (the opening one follows "[ " or "}, ").
void AppendBookmark(std::string& out, int id, const std::string& indent) {
  const std::string in = indent + "   ";
  char guid[40];
  std::snprintf(guid, sizeof guid, "%08x-4b5c-4d6e-8f70-%012x", id * 2654435761u, id * 40503u);
  out += "{\n";
  out += in + "\"date_added\": \"" + std::to_string(13285953050123456LL + id) + "\",\n";
  out += in + "\"date_last_used\": \"0\",\n";
  out += in + "\"guid\": \"" + guid + "\",\n";
  out += in + "\"id\": \"" + std::to_string(id + 10) + "\",\n";
  if (id % 2) out += in + "\"meta_info\": {\n" + in + "   \"power_bookmark_meta\": \"\"\n" + in + "},\n";
  // Chrome escapes "<"; some names are not ASCII.
  out += in + "\"name\": \"" + kWords[id % std::size(kWords)] + " " + std::to_string(id) +
         (id % 7 ? "" : " \\u003Cb>") + "\",\n";
  out += in + "\"type\": \"url\",\n";
  out += in + "\"url\": \"https://www.example" + std::to_string(id % 997) + ".com/" + std::to_string(id) + "\"\n";
  out += indent + "}";
}

// The members of a folder whose children are Count bookmarks from First on (and Nested, a
// folder of its own, after them).
void AppendFolder(std::string& out, const char* name, int first, int count, const std::string& indent,
                  const std::string& nested = {}) {
  out += indent + "\"children\": [ ";
  for (int i = 0; i < count; ++i) {
    if (i > 0) out += ", ";
    AppendBookmark(out, first + i, indent);
  }
  out += nested + " ],\n";
  out += indent + "\"date_added\": \"13285953050000000\",\n" + indent + "\"date_modified\": \"0\",\n";
  out += indent + "\"id\": \"" + std::to_string(first) + "\",\n" + indent + "\"name\": \"" + name + "\",\n";
  out += indent + "\"type\": \"folder\"\n";
}

const std::string& ChromeFile() {
  static const std::string text = [] {
    std::string folder = ", {\n";
    AppendFolder(folder, "Folder", kBookmarks - kInOther - kInFolder, kInFolder, "            ");
    folder += "         }";
    std::string out = "{\n   \"checksum\": \"3f2a9c1b0d8e7f6a5b4c3d2e1f0a9b8c\",\n   \"roots\": {\n";
    out += "      \"bookmark_bar\": {\n";
    AppendFolder(out, "Bookmarks bar", 0, kBookmarks - kInOther - kInFolder, "         ", folder);
    out += "      },\n      \"other\": {\n";
    AppendFolder(out, "Other bookmarks", kBookmarks - kInOther, kInOther, "         ");
    out += "      },\n      \"synced\": {\n";
    AppendFolder(out, "Mobile bookmarks", kBookmarks, 0, "         ");
    out += "      }\n   },\n   \"version\": 1\n}\n";
    std::printf("Chrome bookmarks file: %d bookmarks, %.1f MB\n", kBookmarks, double(out.size()) / 1e6);
    return out;
  }();
  return text;
}

template <class Char>
bool ContainsGit(std::basic_string_view<Char> name) {
  for (size_t i = 0; i + 3 <= name.size(); ++i)
    if ((name[i] | 0x20) == 'g' && (name[i + 1] | 0x20) == 'i' && (name[i + 2] | 0x20) == 't') return true;
  return false;
}

// --- the three walks: each answers the number of hits ------------------------------------

int WalkLorvex(const TJSONdocument& document) {
  const auto* root = dynamic_cast<const TJSONobject*>(document.get());
  const auto* roots = root ? dynamic_cast<const TJSONobject*>(root->Field(u"roots")) : nullptr;
  if (!roots) return -1;
  int hits = 0;
  for (const char16_t* folder : {u"bookmark_bar", u"other"}) {
    const auto* object = dynamic_cast<const TJSONobject*>(roots->Field(folder));
    const TJSONbase* children = object ? object->Field(u"children") : nullptr;
    for (int i = 0; children && i < children->GetCount(); ++i) {
      const auto* child = dynamic_cast<const TJSONobject*>(children->GetChild(i));
      const TJSONbase* name = child ? child->Field(u"name") : nullptr;
      if (!name) continue;
      const std::u16string text = std::get<std::u16string>(name->GetValue());
      if (!ContainsGit<char16_t>(text)) continue;
      benchmark::DoNotOptimize(child->Field(u"url")->GetValue());
      ++hits;
    }
  }
  return hits;
}

#ifdef LORVEX_BENCH_PEERS

int WalkNlohmann(const nlohmann::json& document) {
  int hits = 0;
  for (const char* folder : {"bookmark_bar", "other"})
    for (const auto& child : document.at("roots").at(folder).at("children")) {
      const auto name = child.find("name");
      if (name == child.end() || !ContainsGit<char>(name->get_ref<const std::string&>())) continue;
      benchmark::DoNotOptimize(child.at("url").get_ref<const std::string&>());
      ++hits;
    }
  return hits;
}

int WalkRapidJSON(const rapidjson::Document& document) {
  int hits = 0;
  for (const char* folder : {"bookmark_bar", "other"})
    for (const auto& child : document["roots"][folder]["children"].GetArray()) {
      const auto name = child.FindMember("name");
      if (name == child.MemberEnd() ||
          !ContainsGit(std::string_view(name->value.GetString(), name->value.GetStringLength())))
        continue;
      benchmark::DoNotOptimize(child["url"].GetString());
      ++hits;
    }
  return hits;
}

#endif

// --- measuring ---------------------------------------------------------------------------

// What each parser did; printed with the ratios once every parser has run.
struct TResults {
  std::map<std::string, double> SearchesPerSecond, TreeBytes;
  std::map<std::string, int> Hits;

  ~TResults() {
    if (!SearchesPerSecond.count("Lorvex")) return;
    for (const auto& [parser, rate] : SearchesPerSecond)
      std::printf("%s: %.1f ms of processor time per parse and walk, %d hits, tree %.1f MB\n", parser.c_str(),
                  1000 / rate, Hits[parser], TreeBytes[parser] / 1e6);
    for (const char* peer : {"nlohmann/json", "RapidJSON"})
      if (SearchesPerSecond.count(peer))
        std::printf("Lorvex is %.2f times as fast as %s, its tree %.2f times the size\n",
                    SearchesPerSecond["Lorvex"] / SearchesPerSecond[peer], peer, TreeBytes["Lorvex"] / TreeBytes[peer]);
  }
} Results;

size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// Times Parse (answering the tree) and Walk over it, and notes the heap the tree holds.
template <class Parse, class Walk>
void ParseAndWalk(benchmark::State& state, const char* name, Parse parse, Walk walk) {
  const std::string& text = ChromeFile();
  if (!Results.TreeBytes.count(name)) {
    // The first tree of the run: ours then takes all of its memory from the system.
    const size_t before = HeapInUse();
    const auto tree = parse(text);
    Results.TreeBytes[name] = double(HeapInUse() - before);
  }
  // Processor time, so that other work on the machine weighs less in the ratios.
  const std::clock_t start = std::clock();
  int hits = 0;
  for (auto _ : state) {
    const auto tree = parse(text);
    hits = walk(tree);
  }
  const double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
  state.counters["hits"] = hits;
  Results.Hits[name] = hits;
  state.SetBytesProcessed(int64_t(state.iterations() * text.size()));
  if (seconds > 0) Results.SearchesPerSecond[name] = double(state.iterations()) / seconds;
}

void JsonLorvex(benchmark::State& state) {
  ParseAndWalk(
      state, "Lorvex", [](const std::string& text) { return TJSON::ParseText(text); }, WalkLorvex);
}

#ifdef LORVEX_BENCH_PEERS

void JsonNlohmann(benchmark::State& state) {
  ParseAndWalk(
      state, "nlohmann/json", [](const std::string& text) { return nlohmann::json::parse(text); }, WalkNlohmann);
}

void JsonRapidJSON(benchmark::State& state) {
  ParseAndWalk(
      state, "RapidJSON",
      [](const std::string& text) {
        rapidjson::Document document;
        document.Parse(text.data(), text.size());
        return document;
      },
      WalkRapidJSON);
}

#endif

}  // namespace

BENCHMARK(JsonLorvex)->Unit(benchmark::kMillisecond)->MinTime(2.0);
#ifdef LORVEX_BENCH_PEERS
BENCHMARK(JsonNlohmann)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(JsonRapidJSON)->Unit(benchmark::kMillisecond)->MinTime(2.0);
#endif
