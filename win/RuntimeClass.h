// COM objects of our own: the weather layer's RuntimeClass and Make, with the
// window layer's shorthand of an interface followed by the bases that
// QueryInterface answers as well (e.g. IAccessible, IDispatch).
#pragma once

#include "weather/RuntimeClass.h"

namespace win {

template <typename Main, typename... Bases>
using RuntimeClass = weather::RuntimeClass<weather::ChainInterfaces<Main, Bases...>>;

using weather::Make;

}  // namespace win
