#include "plugin/PluginProgram.h"

APluginProgram::APluginProgram() : name("program") {
    for (const ParameterInfo& row : kParameters)
        params[row.index] = row.defaultValue;
}
