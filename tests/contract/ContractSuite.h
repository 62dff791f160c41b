// SPDX-License-Identifier: ISC
// The contract tests' fixture, parametrised over the faces this build has,
// each loaded once as a host loads it (VST 3, CLAP and LV2 where they are
// built).
#pragma once

#include "contract/FaceDriver.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

struct Face {
    std::string name;
    std::function<std::unique_ptr<FaceDriver>()> make;
};

inline void PrintTo(const Face& face, std::ostream* out) { *out << face.name; }

std::vector<Face> LoadedFaces();

class Contract : public ::testing::TestWithParam<Face> {
  protected:
    void SetUp() override {
        face = GetParam().make();
        ASSERT_NE(face, nullptr) << GetParam().name << " made no instance";
    }
    const FaceTraits& traits() const { return face->traits(); }

    std::unique_ptr<FaceDriver> face;
};
