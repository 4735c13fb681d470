// A header of a lower layer that reaches into a higher one: the layer check
// must refuse this tree.
#pragma once

#include "win/Window.h"
