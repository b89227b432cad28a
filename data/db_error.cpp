#include "data/db_error.h"

void DatabaseError(const std::string &message) {
  throw EDatabaseError(message);
}

void DatabaseErrorFmt(std::string_view fmt, std::initializer_list<FormatArg> args) {
  throw EDatabaseError(Format(fmt, args));
}
