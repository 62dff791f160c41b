// SPDX-License-Identifier: ISC
#include "lv2/Lv2UiData.h"

#include "core/ParameterTable.h"

#include <sstream>

namespace {

constexpr const char* kPrefixes = "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                  "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                  "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n";

} // namespace

std::string Lv2UiManifest(std::span<const char* const> plugins) {
    std::ostringstream ttl;
    ttl << "\n"
        << kPrefixes << "\n<" << kLv2UiUri << ">\n"
        << "    a ui:X11UI ;\n"
        << "    ui:binary <" << kLv2UiBinary << "> ;\n"
        << "    rdfs:seeAlso <" << kLv2UiDataFile << "> .\n";
    for (const char* plugin : plugins)
        ttl << "\n<" << plugin << ">\n"
            << "    ui:ui <" << kLv2UiUri << "> ;\n"
            << "    rdfs:seeAlso <" << kLv2UiDataFile << "> .\n";
    return ttl.str();
}

// The host must call the UI's idle function and give it a parent window; the
// rest it may offer: resizing the parent, the ports' indexes by symbol, the
// gestures' touch calls, and the instance with its extension data (the loop).
std::string Lv2UiData(std::span<const char* const> plugins) {
    std::ostringstream ttl;
    ttl << kPrefixes << "\n<" << kLv2UiUri << ">\n"
        << "    a ui:X11UI ;\n"
        << "    lv2:requiredFeature ui:idleInterface, ui:parent ;\n"
        << "    lv2:optionalFeature ui:resize, ui:portMap, ui:touch,\n"
        << "        <http://lv2plug.in/ns/ext/instance-access>,\n"
        << "        <http://lv2plug.in/ns/ext/data-access> ;\n"
        << "    lv2:extensionData ui:idleInterface ;\n"
        << "    ui:portNotification";
    bool first = true;
    for (const char* plugin : plugins)
        for (const ParameterInfo& port : kParameters) {
            ttl << (first ? " [\n" : ", [\n") << "        ui:plugin <" << plugin << "> ;\n"
                << "        lv2:symbol \"" << port.symbol << "\" ;\n"
                << "        ui:protocol ui:floatProtocol\n"
                << "    ]";
            first = false;
        }
    ttl << " .\n";
    return ttl.str();
}
