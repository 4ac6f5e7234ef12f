#include "Ports.h"
