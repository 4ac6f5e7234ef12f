// The settings subsystem: parameters, profiles, languages and the command line.
#pragma once

#include "CommandLine.h"
#include "Localisation.h"
#include "ParameterStore.h"
#include "Profiles.h"
#include "UnitLog.h"
