// The cost of a filter tree from text to verdict: the dataset writing it,
// the engine compiling it, and the engine judging one record image.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/filter_expr.h"
#include "engine/src/filter_eval.h"
#include "engine/src/record.h"

using namespace dbeng;

namespace {

const TFilterFieldList kFields{
    {"CATEGORY", 1, ftSmallint, 0, fkData},
    {"TITLE", 2, ftString, 24, fkData},
    {"KEYWORDS", 3, ftString, 240, fkData},
    {"WAV", 4, ftBlob, 240, fkData},
};

RecordShape CatalogueShape() {
  RecordShape shape;
  auto add = [&](const char *name, uint16_t type, int16_t units1) {
    EngFldDesc d{};
    std::strncpy(d.name, name, sizeof d.name - 1);
    d.type = type;
    d.units1 = units1;
    shape.fields.push_back(d);
  };
  add("CATEGORY", ENG_FLD_INT16, 0);
  add("TITLE", ENG_FLD_ZSTRING, 24);
  add("KEYWORDS", ENG_FLD_ZSTRING, 240);
  add("WAV", ENG_FLD_BLOB, 240);
  shape.Layout();
  return shape;
}

// 1024 record images of the catalogue with varied categories and texts.
std::vector<std::vector<uint8_t>> Records(const RecordShape &shape) {
  static const char *kWords[] = {"dog",   "barking", "Door",  "slam",   "thunder",
                                 "rain",  "engine",  "crowd", "laugh",  "glass",
                                 "break", "bell",    "Wind",  "whistle"};
  std::vector<std::vector<uint8_t>> rows;
  for (int i = 0; i < 1024; ++i) {
    std::vector<uint8_t> r(shape.recordSize, 0);
    int16_t category = static_cast<int16_t>(100 * (1 + i % 9));
    WriteSlot(shape.fields[0], r.data(), &category);
    std::string title =
        std::string(kWords[i % 14]) + " " + kWords[(i / 14) % 14] + " " + std::to_string(i);
    WriteSlot(shape.fields[1], r.data(), title.c_str());
    std::string keywords;
    for (int k = 0; k < 12; ++k)
      keywords += std::string(kWords[(i * 7 + k * 3) % 14]) + " ";
    WriteSlot(shape.fields[2], r.data(), keywords.c_str());
    rows.push_back(std::move(r));
  }
  return rows;
}

void BM_WriteTree(benchmark::State &state, const char *text, TFilterOptions options) {
  for (auto _ : state)
    benchmark::DoNotOptimize(BuildFilterTree(kFields, text, options));
}

void BM_CompileTree(benchmark::State &state, const char *text, TFilterOptions options) {
  RecordShape shape = CatalogueShape();
  std::vector<uint8_t> tree = BuildFilterTree(kFields, text, options);
  for (auto _ : state) {
    std::unique_ptr<RecordPredicate> p;
    std::string why;
    CompileFilterTree(tree.data(), tree.size(), shape, &p, &why);
    benchmark::DoNotOptimize(p);
  }
}

// Per record: the time to judge one record image.
void BM_Evaluate(benchmark::State &state, const char *text, TFilterOptions options) {
  RecordShape shape = CatalogueShape();
  auto rows = Records(shape);
  std::vector<uint8_t> tree = BuildFilterTree(kFields, text, options);
  std::unique_ptr<RecordPredicate> p;
  std::string why;
  if (CompileFilterTree(tree.data(), tree.size(), shape, &p, &why) != DBENG_OK) {
    state.SkipWithError(why.c_str());
    return;
  }
  size_t i = 0, passed = 0;
  for (auto _ : state) {
    passed += p->Matches(rows[i & 1023].data());
    ++i;
  }
  state.SetItemsProcessed(static_cast<int64_t>(i));
  state.counters["passed"] = static_cast<double>(passed) / static_cast<double>(i ? i : 1);
}

BENCHMARK_CAPTURE(BM_WriteTree, category, "CATEGORY=100", 0);
BENCHMARK_CAPTURE(BM_WriteTree, three_terms, "CATEGORY=100 AND (TITLE='Dog*' OR KEYWORDS<>NULL)",
                  0);
BENCHMARK_CAPTURE(BM_CompileTree, category, "CATEGORY=100", 0);
BENCHMARK_CAPTURE(BM_Evaluate, category, "CATEGORY=100", 0);
BENCHMARK_CAPTURE(BM_Evaluate, title_prefix, "TITLE='dog*'", 0);
BENCHMARK_CAPTURE(BM_Evaluate, title_prefix_nocase, "TITLE='DOG*'", foCaseInsensitive);
BENCHMARK_CAPTURE(BM_Evaluate, keywords_nocase, "KEYWORDS='dog barking door'", foCaseInsensitive);
BENCHMARK_CAPTURE(BM_Evaluate, three_terms, "CATEGORY=100 AND (TITLE='Dog*' OR KEYWORDS<>NULL)", 0);
BENCHMARK_CAPTURE(BM_Evaluate, title_order, "TITLE>'m'", 0);

} // namespace

BENCHMARK_MAIN();
