// Engine failures as exceptions: every non-zero engine result the layer does
// not handle itself becomes an EDBEngineError whose entries are the engine's
// error stack and whose message joins the distinct texts of that stack.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/db_error.h"

class TDBError {
public:
  TDBError(uint16_t error_code, int32_t native_error, std::string message)
      : error_code_(error_code), native_error_(native_error), message_(std::move(message)) {}
  uint16_t ErrorCode() const { return error_code_; }
  uint8_t Category() const { return static_cast<uint8_t>(error_code_ >> 8); }
  uint8_t SubCode() const { return static_cast<uint8_t>(error_code_ & 0xFF); }
  int32_t NativeError() const { return native_error_; }
  // The engine's text as it gave it (not normalised).
  const std::string &Message() const { return message_; }

private:
  uint16_t error_code_;
  int32_t native_error_;
  std::string message_;
};

class EDBEngineError : public EDatabaseError {
public:
  // Builds the message and entries for an engine result code, asking the
  // engine for its texts (or giving the initialisation message when the
  // engine never started).
  explicit EDBEngineError(uint16_t error_code);
  int ErrorCount() const { return static_cast<int>(errors_.size()); }
  const TDBError &Errors(int index) const { return errors_.at(static_cast<size_t>(index)); }
  // The code of the first entry (the one the exception was raised for).
  uint16_t ErrorCode() const { return errors_.empty() ? 0 : errors_.front().ErrorCode(); }

private:
  std::vector<TDBError> errors_;
};

// Engine texts as messages: runs of characters at or below the space are
// dropped at both ends and become one space inside; one final "." goes.
std::string NormalizeEngineText(std::string_view text);
// The message of an engine error: the normalised top text (or "Engine error
// $%.4x" when it is empty), then each distinct, non-empty entry text of the
// error stack after ". ", in stack order.
std::string JoinEngineTexts(uint16_t error_code, std::string_view top,
                            const std::vector<std::string> &entries);

// Raises EDBEngineError for a failed engine call (stopping the database-wait
// cursor first).
[[noreturn]] void DbiError(uint16_t error_code);
// Raises EDBEngineError when the result is not 0.
inline void Check(uint16_t result) {
  if (result != 0) DbiError(result);
}
// As Check, but lets 10028 (an index file already open) pass.
void CheckOpenIndex(uint16_t result);

namespace msg {
inline constexpr const char *kInitError =
    "An error occurred while attempting to initialize the database engine (error $%.4x)";
inline constexpr const char *kEngineError = "Engine error $%.4x";
} // namespace msg
