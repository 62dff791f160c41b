// The five faces as the built binaries offer them, each loaded once, as a host
// loads it, for the contract tests.
#pragma once

#include "contract/FaceDriver.h"

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

struct Face {
    std::string name;
    std::function<std::unique_ptr<FaceDriver>()> make;
};

inline void PrintTo(const Face& face, std::ostream* out) { *out << face.name; }

// The faces this build has (VST 3, CLAP and LV2 where they are built).
std::vector<Face> LoadedFaces();
