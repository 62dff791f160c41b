// SPDX-License-Identifier: ISC
// The compiled part of the Python module: tapestrum._tapestrum. It gives the
// package (python/tapestrum/__init__.py) the effect by parameter index, numpy
// arrays in and out, the parameter table, the factory presets and the version;
// names, symbols, keyword arguments and the mapping of parameters are the
// package's. Arrays are checked here, where the error can say what was wrong
// with them, before any sample is rendered.
#include "core/EffectIdentity.h"
#include "core/FactoryPresets.h"
#include "core/ParameterIndexCheck.h"
#include "core/ParameterTable.h"
#include "python/PythonEffect.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>
#include <tuple>
#include <vector>

namespace py = pybind11;

namespace {

int32_t CheckedIndex(int32_t index) {
    if (!IsParameterIndex(index))
        throw py::index_error("parameter index " + std::to_string(index) + " is not from 0 to " +
                              std::to_string(kLastParameter));
    return index;
}

std::string ShapeText(const py::array& audio) {
    std::string text = "(";
    for (py::ssize_t axis = 0; axis < audio.ndim(); ++axis)
        text += (axis ? ", " : "") + std::to_string(audio.shape(axis));
    return text + (audio.ndim() == 1 ? ",)" : ")");
}

// The audio as C-ordered float32 samples, after checking that its type and
// shape suit the effect: 1-D for mono, (frames, 2) for stereo.
py::array_t<float, py::array::c_style> CheckedAudio(const PythonEffect& effect,
                                                    const py::array& audio) {
    const py::dtype type = audio.dtype();
    if (!type.is(py::dtype::of<float>()) && !type.is(py::dtype::of<double>()))
        throw py::type_error("audio must be a float32 or float64 array, not " +
                             py::str(static_cast<const py::handle&>(type)).cast<std::string>());
    if (effect.effect().channelCount() == 1) {
        if (audio.ndim() != 1)
            throw py::value_error("a mono Effect takes a 1-D array of samples, not one of shape " +
                                  ShapeText(audio));
    } else if (audio.ndim() != 2 || audio.shape(1) != 2) {
        std::string hint;
        if (audio.ndim() == 2 && audio.shape(0) == 2) hint = " (for channels first, pass audio.T)";
        throw py::value_error("a stereo Effect takes an array of shape (frames, 2), as soundfile "
                              "reads stereo files, not one of shape " +
                              ShapeText(audio) + hint);
    }
    return py::array_t<float, py::array::c_style | py::array::forcecast>::ensure(audio);
}

py::array_t<float> Process(PythonEffect& effect, const py::array& audio, double tailSeconds) {
    const auto samples = CheckedAudio(effect, audio);
    const size_t tail = effect.tailFrames(tailSeconds);
    const auto frames = static_cast<size_t>(samples.shape(0));
    std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(frames + tail)};
    if (samples.ndim() == 2) shape.push_back(2);
    py::array_t<float> output(shape);
    const float* input = samples.data();
    float* written = output.mutable_data();
    {
        const py::gil_scoped_release released;
        effect.render(input, frames, tail, written);
    }
    return output;
}

py::bytes State(const PythonEffect& effect) {
    const std::vector<uint8_t> block = WriteEffectState(effect.effect().state());
    return py::bytes(reinterpret_cast<const char*>(block.data()), block.size());
}

void LoadState(PythonEffect& effect, const py::bytes& block) {
    const std::string bytes = block;
    effect.loadState({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

// (name, symbol, default) of every parameter, in index order.
std::vector<std::tuple<std::string, std::string, float>> ParameterRows() {
    std::vector<std::tuple<std::string, std::string, float>> rows;
    for (const ParameterInfo& row : kParameters)
        rows.emplace_back(std::string(row.name), std::string(row.symbol), row.defaultValue);
    return rows;
}

// (name, description, values) of every factory preset, in the order hosts list them.
std::vector<std::tuple<std::string, std::string, std::vector<float>>> Presets() {
    std::vector<std::tuple<std::string, std::string, std::vector<float>>> presets;
    for (const FactoryPreset& preset : FactoryPresets())
        presets.emplace_back(std::string(preset.name), std::string(preset.description),
                             std::vector<float>(preset.values.begin(), preset.values.end()));
    return presets;
}

// Loads the preset whose name the offline host's --preset would accept, with
// its name as the program's, as that host does; false when there is none.
bool LoadPreset(PythonEffect& effect, const std::string& name) {
    const FactoryPreset* preset = FindFactoryPreset(name);
    if (!preset) return false;
    effect.effect().setState({preset->values, std::string(preset->name)});
    return true;
}

} // namespace

PYBIND11_MODULE(_tapestrum, module) {
    module.doc() = "The compiled part of tapestrum: the effect by parameter index.";
    module.attr("version") = kVersionText;
    module.def("parameter_rows", &ParameterRows);
    module.def("presets", &Presets);

    py::class_<PythonEffect>(module, "Effect")
        .def(py::init<double, int32_t>(), py::arg("sample_rate"), py::arg("channels"))
        .def_property_readonly("channels",
                               [](const PythonEffect& e) { return e.effect().channelCount(); })
        .def_property_readonly("sample_rate",
                               [](const PythonEffect& e) { return e.effect().sampleRate(); })
        .def("set", [](PythonEffect& e, int32_t index,
                       float value) { e.effect().setParameter(CheckedIndex(index), value); })
        .def("stored",
             [](const PythonEffect& e, int32_t index) {
                 return e.effect().storedParameter(CheckedIndex(index));
             })
        .def("read", [](const PythonEffect& e,
                        int32_t index) { return e.effect().readParameter(CheckedIndex(index)); })
        .def("text", [](const PythonEffect& e,
                        int32_t index) { return e.effect().displayText(CheckedIndex(index)); })
        .def("load_preset", &LoadPreset)
        .def("process", &Process, py::arg("audio"), py::arg("tail") = 0.0)
        .def("reset", &PythonEffect::reset, py::call_guard<py::gil_scoped_release>())
        .def("state", &State)
        .def("load_state", &LoadState);
}
