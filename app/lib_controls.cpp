#include "app/lib_controls.h"
