#pragma once

#include "services/files/Outcome.h"
#include <QString>

#include <optional>

class IniFile;

// How the encoders write the outputs, as the person chooses it: JPEG quality, chroma sampling
// and progressive scans, WebP quality and lossless WebP. The defaults are the outputs as they
// always were, except that a JPEG photo keeps its own chroma sampling.
//
// Kept in "config.ini" (section "常规"; keys "OutputJpegQuality" 1..100, "OutputJpegSampling"
// 0 as the photo, 1 4:2:0, 2 4:4:4, "OutputJpegProgressive" 0/1, "OutputWebpQuality" 1..100,
// "OutputWebpLossless" 0/1), not in "preference.xml", whose bytes at a first start stay as they
// were. A missing key or a value out of its range reads as the default.
struct OutputQuality
{
    enum class Sampling : int
    {
        AsPhoto = 0, // a JPEG photo's own; 4:2:0 for other photos
        Yuv420 = 1,
        Yuv444 = 2
    };

    static constexpr int kDefaultJpegQuality = 98;
    static constexpr int kDefaultWebpQuality = 90;

    int jpegQuality = kDefaultJpegQuality;
    Sampling sampling = Sampling::AsPhoto;
    bool progressive = false;
    int webpQuality = kDefaultWebpQuality;
    bool webpLossless = false;

    friend bool operator==(const OutputQuality&, const OutputQuality&) = default;

    // "photo", "420" or "444" (as lumora-batch --sampling takes them); none for other texts.
    static std::optional<Sampling> samplingFromName(const QString& name);
};

// The values in the file; the defaults where the file or a key is missing or out of range.
OutputQuality readOutputQuality();
// The same from "config.ini" already loaded.
OutputQuality readOutputQuality(const IniFile& config);
// Writes the five values into the file, keeping every other key. Fails with the reason when
// the file cannot be written.
Outcome writeOutputQuality(const OutputQuality& quality);
