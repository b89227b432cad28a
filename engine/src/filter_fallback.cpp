// Stand-in for the filter-tree evaluator while it is not linked into the
// engine: the real one (filter_eval.cpp) overrides this weak definition.
#include "engine/src/filter_iface.h"

namespace dbeng {

__attribute__((weak)) DBResult CompileFilterTree(const uint8_t *, size_t, const RecordShape &,
                                                 std::unique_ptr<RecordPredicate> *out,
                                                 std::string *why) {
  out->reset();
  if (why) *why = "This engine was built without the filter-tree evaluator";
  return DBENG_ERR_NOTSUPPORTED;
}

} // namespace dbeng
