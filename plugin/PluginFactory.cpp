#include "host/EntryPoint.h"
#include "plugin/uPlugin.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return new APlugin(audioMaster);
}
