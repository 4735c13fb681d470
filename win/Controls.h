// The controls both windows are built from, in one include: fonts, the
// windowless controls, their host, and the child windows of system classes.
#pragma once

#include "win/ControlHost.h"
#include "win/Fonts.h"
#include "win/GraphicControls.h"
#include "win/WindowedControls.h"
