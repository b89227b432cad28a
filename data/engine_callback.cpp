#include "data/engine_callback.h"

TEngineCallback::TEngineCallback(hEngObj handle, uint16_t type, uint16_t buffer_size,
                                 THandler handler)
    : handle_(handle), type_(type), buffer_(buffer_size, 0), handler_(std::move(handler)) {
  uint64_t client = 0;
  uint16_t length = 0;
  void *buffer = nullptr;
  EngCallbackFn existing = nullptr;
  if (EngineGetCallback(handle_, type_, &client, &length, &buffer, &existing) == DBENG_OK &&
      existing != nullptr)
    return;
  registered_ = EngineRegisterCallback(handle_, type_, reinterpret_cast<uint64_t>(this),
                                       buffer_size, buffer_.data(), &Thunk) == DBENG_OK;
}

TEngineCallback::~TEngineCallback() {
  if (registered_) EngineRegisterCallback(handle_, type_, 0, 0, nullptr, nullptr);
}

uint16_t TEngineCallback::Thunk(uint16_t, uint64_t client, void *buffer) {
  auto *self = reinterpret_cast<TEngineCallback *>(client);
  // Nothing may travel back into the engine as an exception.
  try {
    return self->handler_ ? self->handler_(buffer) : ENG_CBR_CONTINUE;
  } catch (...) {
    return ENG_CBR_ABORT;
  }
}
