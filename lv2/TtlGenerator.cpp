// SPDX-License-Identifier: ISC
// Writes the LV2 bundle's data files, manifest.ttl, tapestrum.ttl,
// presets.ttl and the UI's tapestrum_ui.ttl (lv2/Lv2UiData.h), from the effect's parameter table
// and its factory presets: the port symbols, names and defaults are the table's, the switches'
// scale points carry the display texts of their two values, and each factory preset sets every port
// by its symbol. The manifest lists the plug-in and the presets, so that a host finds them without
// reading the other files. Run at build time:
//   lv2_ttl_generator BUNDLE_DIR BINARY_NAME
#include "core/FactoryPresets.h"
#include "core/TapestrumEffect.h"
#include "lv2/Lv2Ports.h"
#include "lv2/Lv2UiData.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

// A Turtle string literal.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

// A Turtle decimal literal that reads back as the same float.
std::string Decimal(float value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
    std::string text = buffer;
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

// A factory preset's URI: urn:tapestrum:preset:band-freeze.
std::string PresetUri(const FactoryPreset& preset) {
    return "urn:tapestrum:preset:" + PresetFileStem(preset);
}

std::string Manifest(const std::string& binary) {
    std::ostringstream ttl;
    ttl << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
        << "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
        << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n\n"
        << "<" << kLv2Uri << ">\n"
        << "    a lv2:Plugin ;\n"
        << "    lv2:binary <" << binary << "> ;\n"
        << "    rdfs:seeAlso <tapestrum.ttl> .\n";
    for (const FactoryPreset& preset : FactoryPresets())
        ttl << "\n<" << PresetUri(preset) << ">\n"
            << "    a pset:Preset ;\n"
            << "    lv2:appliesTo <" << kLv2Uri << "> ;\n"
            << "    rdfs:seeAlso <presets.ttl> .\n";
    return ttl.str();
}

// Each preset names itself, says what it does and gives every control port's
// value, by the port's symbol.
std::string PresetData() {
    std::ostringstream ttl;
    ttl << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
        << "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
        << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n";
    for (const FactoryPreset& preset : FactoryPresets()) {
        ttl << "\n<" << PresetUri(preset) << ">\n"
            << "    a pset:Preset ;\n"
            << "    lv2:appliesTo <" << kLv2Uri << "> ;\n"
            << "    rdfs:label " << Quoted(std::string(preset.name)) << " ;\n"
            << "    rdfs:comment " << Quoted(std::string(preset.description)) << " ;\n"
            << "    lv2:port";
        for (const ParameterInfo& port : kParameters)
            ttl << (port.index == 0 ? " [\n" : ", [\n") << "        lv2:symbol "
                << Quoted(std::string(port.symbol)) << " ;\n"
                << "        pset:value " << Decimal(preset.values[port.index]) << "\n"
                << "    ]";
        ttl << " .\n";
    }
    return ttl.str();
}

std::string ControlPort(const TapestrumEffect& effect, const ParameterInfo& port) {
    std::ostringstream ttl;
    ttl << "    [\n"
        << "        a lv2:InputPort, lv2:ControlPort ;\n"
        << "        lv2:index " << kLv2FirstControlPort + port.index << " ;\n"
        << "        lv2:symbol " << Quoted(std::string(port.symbol)) << " ;\n"
        << "        lv2:name " << Quoted(std::string(port.name)) << " ;\n"
        << "        lv2:default " << Decimal(port.defaultValue) << " ;\n"
        << "        lv2:minimum 0.0 ;\n"
        << "        lv2:maximum 1.0";
    if (port.isSwitch) {
        ttl << " ;\n        lv2:portProperty lv2:enumeration ;\n        lv2:scalePoint";
        for (const float point : {0.0f, 1.0f}) {
            ttl << (point == 0.0f ? " " : " ,\n            ") << "[ rdfs:label "
                << Quoted(effect.displayTextFor(port.index, point)) << " ; rdf:value "
                << Decimal(point) << " ]";
        }
    }
    ttl << "\n    ]";
    return ttl.str();
}

std::string PluginData(const TapestrumEffect& effect) {
    std::ostringstream ttl;
    ttl << "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
        << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
        << "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
        << "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
        << "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
        << "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
        << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n\n"
        << "<" << kLv2Uri << ">\n"
        << "    a lv2:Plugin, lv2:DelayPlugin ;\n"
        << "    doap:name \"tapestrum\" ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable, opts:options, urid:map ;\n"
        << "    opts:supportedOption bufsz:maxBlockLength ;\n"
        << "    lv2:port [\n"
        << "        a lv2:InputPort, lv2:AudioPort ;\n"
        << "        lv2:index " << kLv2AudioInPort << " ;\n"
        << "        lv2:symbol \"in\" ;\n"
        << "        lv2:name \"in\"\n"
        << "    ], [\n"
        << "        a lv2:OutputPort, lv2:AudioPort ;\n"
        << "        lv2:index " << kLv2AudioOutPort << " ;\n"
        << "        lv2:symbol \"out\" ;\n"
        << "        lv2:name \"out\"\n"
        << "    ],\n";
    for (const ParameterInfo& port : kParameters)
        ttl << ControlPort(effect, port) << (port.index < kLastParameter ? ",\n" : " .\n");
    return ttl.str();
}

bool Write(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    if (file) return true;
    std::cerr << "lv2_ttl_generator: cannot write " << path << "\n";
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: lv2_ttl_generator BUNDLE_DIR BINARY_NAME\n";
        return 2;
    }
    const TapestrumEffect effect;
    const std::string bundle = argv[1];
    const char* const withUi[] = {kLv2Uri};
    const bool written =
        Write(bundle + "/manifest.ttl", Manifest(argv[2]) + Lv2UiManifest(withUi)) &&
        Write(bundle + "/tapestrum.ttl", PluginData(effect)) &&
        Write(bundle + "/presets.ttl", PresetData()) &&
        Write(bundle + "/" + kLv2UiDataFile, Lv2UiData(withUi));
    return written ? 0 : 1;
}
