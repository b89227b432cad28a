#include "locked_table.h"

#include "data/table.h"
#include "tests/data/table_fixture.h"

void MakeLockedTable(const std::string &folder) {
  MakeCatalogueIn(folder, "locked.db", SampleRows(), "walrus");
}

int OpenLockedTable(const std::string &folder) {
  TTable t;
  t.SetDatabaseName(folder);
  t.SetTableName("locked.db");
  try {
    t.Open();
    return t.Active() ? 0 : -1;
  } catch (const EDBEngineError &e) {
    return e.ErrorCode();
  } catch (...) {
    return -1;
  }
}
