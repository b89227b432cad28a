#include "base/exception.h"

void Abort() {
  throw EAbort();
}
