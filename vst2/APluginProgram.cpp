#include "vst2/APluginProgram.h"

APluginProgram::APluginProgram() : name("program") {
    for (const ParameterInfo& row : kParameters)
        params[row.index] = row.defaultValue;
}
