// One engine callback registration: a buffer the engine fills and a handler
// it calls with that buffer. A registration is made only when nothing is
// registered for its type on that engine object yet, and is removed again
// when the object is destroyed.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "data/engine/engine_api.h"

class TEngineCallback {
public:
  // The handler gets the buffer and gives the engine's reply (ENG_CBR_...).
  using THandler = std::function<uint16_t(void *buffer)>;

  TEngineCallback(hEngObj handle, uint16_t type, uint16_t buffer_size, THandler handler);
  ~TEngineCallback();
  TEngineCallback(const TEngineCallback &) = delete;
  TEngineCallback &operator=(const TEngineCallback &) = delete;

  bool Registered() const { return registered_; }
  uint16_t Type() const { return type_; }
  void *Buffer() { return buffer_.data(); }

private:
  static uint16_t Thunk(uint16_t type, uint64_t client, void *buffer);

  hEngObj handle_;
  uint16_t type_;
  std::vector<uint8_t> buffer_;
  THandler handler_;
  bool registered_ = false;
};
