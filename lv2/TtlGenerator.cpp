// SPDX-License-Identifier: ISC
// Writes the LV2 bundle's data files, manifest.ttl, tapestrum.ttl and
// presets.ttl for the mono plug-in, tapestrum-stereo.ttl and
// presets-stereo.ttl for the stereo one, and the UI's tapestrum_ui.ttl
// (lv2/Lv2UiData.h), which serves both, from the effect's parameter table
// and its factory presets: the port symbols, names and defaults are the
// table's, the switches' scale points carry the display texts of their two
// values, and each factory preset sets every control port by its symbol. Each
// plug-in has its own copy of every preset, which names it (lv2:appliesTo).
// The manifest lists the plug-ins and the presets, so that a host finds them
// without reading the other files. Run at build time:
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

// What tells the two plug-ins apart in their data: the URI, the name, the
// audio ports (symbol and name, inputs then outputs), where the presets' URIs
// start, and the files.
struct AudioPortName {
    const char* symbol;
    const char* name;
};

struct PluginKind {
    const char* uri;
    const char* name;
    uint32_t channels;
    AudioPortName inputs[2];
    AudioPortName outputs[2];
    const char* presetUriStart;
    const char* dataFile;
    const char* presetFile;
};

constexpr PluginKind kKinds[] = {
    {kLv2Uri,
     "tapestrum",
     1,
     {{"in", "in"}},
     {{"out", "out"}},
     "urn:tapestrum:preset:",
     "tapestrum.ttl",
     "presets.ttl"},
    {kLv2StereoUri,
     "tapestrum stereo",
     2,
     {{"in_l", "in left"}, {"in_r", "in right"}},
     {{"out_l", "out left"}, {"out_r", "out right"}},
     "urn:tapestrum:stereo-preset:",
     "tapestrum-stereo.ttl",
     "presets-stereo.ttl"},
};

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

// A factory preset's URI: urn:tapestrum:preset:band-freeze for the mono
// plug-in.
std::string PresetUri(const PluginKind& kind, const FactoryPreset& preset) {
    return kind.presetUriStart + PresetFileStem(preset);
}

std::string Manifest(const std::string& binary) {
    std::ostringstream ttl;
    ttl << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
        << "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
        << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n";
    for (const PluginKind& kind : kKinds) {
        ttl << "\n<" << kind.uri << ">\n"
            << "    a lv2:Plugin ;\n"
            << "    lv2:binary <" << binary << "> ;\n"
            << "    rdfs:seeAlso <" << kind.dataFile << "> .\n";
        for (const FactoryPreset& preset : FactoryPresets())
            ttl << "\n<" << PresetUri(kind, preset) << ">\n"
                << "    a pset:Preset ;\n"
                << "    lv2:appliesTo <" << kind.uri << "> ;\n"
                << "    rdfs:seeAlso <" << kind.presetFile << "> .\n";
    }
    return ttl.str();
}

// Each preset names itself, says what it does and gives every control port's
// value, by the port's symbol.
std::string PresetData(const PluginKind& kind) {
    std::ostringstream ttl;
    ttl << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
        << "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
        << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n";
    for (const FactoryPreset& preset : FactoryPresets()) {
        ttl << "\n<" << PresetUri(kind, preset) << ">\n"
            << "    a pset:Preset ;\n"
            << "    lv2:appliesTo <" << kind.uri << "> ;\n"
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

std::string ControlPort(const TapestrumEffect& effect, const PluginKind& kind,
                        const ParameterInfo& port) {
    std::ostringstream ttl;
    ttl << "    [\n"
        << "        a lv2:InputPort, lv2:ControlPort ;\n"
        << "        lv2:index " << Lv2FirstControlPort(kind.channels) + port.index << " ;\n"
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

// An audio port's description, from its opening bracket to its closing one.
std::string AudioPort(const char* direction, uint32_t index, const AudioPortName& port) {
    std::ostringstream ttl;
    ttl << "[\n"
        << "        a lv2:" << direction << ", lv2:AudioPort ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol \"" << port.symbol << "\" ;\n"
        << "        lv2:name \"" << port.name << "\"\n"
        << "    ]";
    return ttl.str();
}

std::string PluginData(const TapestrumEffect& effect, const PluginKind& kind) {
    std::ostringstream ttl;
    ttl << "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
        << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
        << "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
        << "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
        << "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
        << "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
        << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n\n"
        << "<" << kind.uri << ">\n"
        << "    a lv2:Plugin, lv2:DelayPlugin ;\n"
        << "    doap:name \"" << kind.name << "\" ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable, opts:options, urid:map ;\n"
        << "    opts:supportedOption bufsz:maxBlockLength ;\n"
        << "    lv2:port";
    for (uint32_t c = 0; c < kind.channels; ++c)
        ttl << (c == 0 ? " " : ", ") << AudioPort("InputPort", Lv2AudioInPort(c), kind.inputs[c]);
    for (uint32_t c = 0; c < kind.channels; ++c)
        ttl << ", " << AudioPort("OutputPort", Lv2AudioOutPort(kind.channels, c), kind.outputs[c]);
    ttl << ",\n";
    for (const ParameterInfo& port : kParameters)
        ttl << ControlPort(effect, kind, port) << (port.index < kLastParameter ? ",\n" : " .\n");
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
    const char* const withUi[] = {kLv2Uri, kLv2StereoUri};
    bool written = Write(bundle + "/manifest.ttl", Manifest(argv[2]) + Lv2UiManifest(withUi)) &&
                   Write(bundle + "/" + kLv2UiDataFile, Lv2UiData(withUi));
    for (const PluginKind& kind : kKinds)
        written = written && Write(bundle + "/" + kind.dataFile, PluginData(effect, kind)) &&
                  Write(bundle + "/" + kind.presetFile, PresetData(kind));
    return written ? 0 : 1;
}
