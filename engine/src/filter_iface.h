// The seam between the engine's filters and the evaluator of filter trees.
//
// The filter-tree evaluator (engine/src/filter_eval.cpp, written with the
// filter-expression language) provides CompileFilterTree. The engine calls it
// once per EngineAddFilter with the tree (format in dbeng.h) and the table's
// record shape, and then asks the predicate about each candidate record. Field
// values come from ReadField (record.h); text order from collate.h.
//
// Until the evaluator is linked in, a fallback answers DBENG_ERR_NOTSUPPORTED
// for every tree that the engine cannot answer from the table's storage
// itself (see filter_push.cpp).
#pragma once

#include "engine/include/dbeng.h"
#include "engine/src/record.h"

#include <memory>
#include <string>

namespace dbeng {

class RecordPredicate {
public:
  virtual ~RecordPredicate() = default;
  // True when the record image passes.
  virtual bool Matches(const uint8_t *record) const = 0;
};

// Checks `tree` (treeSize bytes, as given by its header) against `shape`.
// On success *out holds the predicate and the result is DBENG_OK; otherwise a
// code (DBENG_ERR_INVALIDFILTER for a malformed tree or one naming a field
// the table lacks) and *why says what is wrong.
DBResult CompileFilterTree(const uint8_t *tree, size_t treeSize, const RecordShape &shape,
                           std::unique_ptr<RecordPredicate> *out, std::string *why);

} // namespace dbeng
