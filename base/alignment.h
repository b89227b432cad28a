// Text alignment, shared by the dataset layer (a field's Alignment) and the
// windowing framework (labels, grid columns), so that both speak of the
// same type.
#pragma once

#include <cstdint>

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
