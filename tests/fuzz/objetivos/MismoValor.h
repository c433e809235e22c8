#pragma once
// Equality of values as a write and a read of the array text keep them: the same kinds and
// shape, numbers equal to the digits the writer keeps (15, 7 for a Single).

#include "common/Valor.h"

namespace velqor::fuzz {

bool MismoValor(const Valor& a, const Valor& b);

}  // namespace velqor::fuzz
