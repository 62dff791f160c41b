// SPDX-License-Identifier: ISC
// The contract tests' fixture, parametrised over the faces this build has,
// each loaded once as a host loads it (VST 3, CLAP and LV2 where they are
// built), and the stereo contract's, over the faces that offer stereo.
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
    // The face's stereo plug-in; empty for a face without one.
    std::function<std::unique_ptr<FaceDriver>()> makeStereo = {};
};

inline void PrintTo(const Face& face, std::ostream* out) { *out << face.name; }

std::vector<Face> LoadedFaces();
// The faces with a stereo plug-in.
std::vector<Face> StereoFaces();

class Contract : public ::testing::TestWithParam<Face> {
  protected:
    void SetUp() override {
        face = GetParam().make();
        ASSERT_NE(face, nullptr) << GetParam().name << " made no instance";
    }
    const FaceTraits& traits() const { return face->traits(); }

    std::unique_ptr<FaceDriver> face;
};

// A face's stereo plug-in (`stereo`) and a mono instance of the same face
// (`mono`).
class StereoContract : public ::testing::TestWithParam<Face> {
  protected:
    void SetUp() override {
        stereo = GetParam().makeStereo();
        mono = GetParam().make();
        ASSERT_NE(stereo, nullptr) << GetParam().name << " made no stereo instance";
        ASSERT_NE(mono, nullptr) << GetParam().name << " made no instance";
        ASSERT_EQ(stereo->channels(), 2);
    }

    std::unique_ptr<FaceDriver> stereo;
    std::unique_ptr<FaceDriver> mono;
};
