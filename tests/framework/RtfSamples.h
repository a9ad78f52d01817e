#pragma once

#include "framework/rtf/Rtf.h"

#include <string>
#include <vector>

// The documents the writer's tests write, each of a kind the edit control
// can hold; every one must read back with the same text and formats.
struct RtfSample {
    std::string name;
    Rtf::Document document;
};

std::vector<RtfSample> RtfSamples();
// The sample of the name (the tests use them by name).
Rtf::Document SampleDocument(const std::string& name);
