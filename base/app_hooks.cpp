#include "base/app_hooks.h"

#include <cstdio>

#include "base/exception.h"

namespace {
TExceptionHandler &Handler() {
  static TExceptionHandler handler;
  return handler;
}
} // namespace

void SetApplicationExceptionHandler(TExceptionHandler handler) {
  Handler() = std::move(handler);
}

void ApplicationHandleException(const std::exception &e) {
  if (dynamic_cast<const EAbort *>(&e)) return;
  if (Handler()) {
    Handler()(e);
    return;
  }
  std::fprintf(stderr, "%s.\n", e.what());
}
