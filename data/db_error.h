// The dataset layer's own error, and the helpers that raise it with one of
// the layer's fixed messages.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "base/exception.h"
#include "base/format.h"

class EDatabaseError : public Exception {
public:
  using Exception::Exception;
};

[[noreturn]] void DatabaseError(const std::string &message);
[[noreturn]] void DatabaseErrorFmt(std::string_view fmt, std::initializer_list<FormatArg> args);

// The layer's messages, used exactly as written.
namespace msg {
inline constexpr const char *kDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char *kDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char *kHandleError = "Error creating cursor handle";
inline constexpr const char *kFieldNotFound = "Field '%s' not found";
inline constexpr const char *kDataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char *kNotEditing = "Dataset not in edit or insert mode";
inline constexpr const char *kDataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char *kFieldRequired = "Field '%s' must have a value";
inline constexpr const char *kCircularDataLink = "Circular datalinks are not allowed";
inline constexpr const char *kDataSourceChange = "DataSource cannot be changed";
inline constexpr const char *kFieldIndexError = "Field index out of range";
inline constexpr const char *kIndexFieldMissing = "Cannot access index field '%s'";
inline constexpr const char *kDatabaseOpen = "Cannot perform this operation on an open database";
inline constexpr const char *kFilterUnavailable = "Filter expressions are not available";

inline constexpr const char *kUnknownFieldType = "Field '%s' is of an unknown type";
inline constexpr const char *kFieldNoDataSet = "Field '%s' has no dataset";
inline constexpr const char *kFieldTypeMismatch = "Field '%s' is not of the expected type";
inline constexpr const char *kFieldRangeError =
    "%g is not a valid value for field '%s'. The allowed range is %g to %g";
inline constexpr const char *kInvalidIntegerValue =
    "'%s' is not a valid integer value for field '%s'";
inline constexpr const char *kInvalidFloatValue =
    "'%s' is not a valid floating point value for field '%s'";
inline constexpr const char *kInvalidDateTimeValue = "'%s' is not a valid date and time";
inline constexpr const char *kInvalidBoolValue = "'%s' is not a valid boolean value for field '%s'";
inline constexpr const char *kFieldReadOnly = "Field '%s' cannot be modified";
inline constexpr const char *kNotIndexField = "Field '%s' is not indexed and cannot be modified";
inline constexpr const char *kFieldAccessError = "Cannot access field '%s' as type %s";
inline constexpr const char *kFieldValueError = "Invalid value for field '%s'";
inline constexpr const char *kInvalidCalcType = "Field '%s' cannot be a calculated field";
inline constexpr const char *kInvalidFieldSize = "Invalid field size";
inline constexpr const char *kLookupInfoError = "Lookup information for field '%s' is incomplete";
inline constexpr const char *kNoOldValues = "Cannot update old values";
inline constexpr const char *kFieldNameMissing = "Field name missing";
inline constexpr const char *kDuplicateFieldName = "Duplicate field name '%s'";
inline constexpr const char *kBlobStreamsMissing = "Blob contents of field '%s' are not available";
} // namespace msg
