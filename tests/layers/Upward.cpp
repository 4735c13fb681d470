// A source of the weather layer that reaches down, as it may, and up into the
// windows, as it may not: built with the weather layer's includes, it must
// not compile.
#include "net/HttpClient.h"
#include "weather/Report.h"
#include "win/Window.h"
