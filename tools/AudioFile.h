// SPDX-License-Identifier: ISC
// Reading and writing audio files through libsndfile: WAV, FLAC, AIFF, OGG and
// whatever else it reads.
#pragma once

#include "tools/AudioData.h"
#include "tools/PartialFiles.h"

#include <memory>
#include <string>

// Throws ToolError naming the file when it cannot be read.
AudioData ReadAudioFile(const std::string& path);

// Whether the extension of a path names a format that files can be written in.
bool IsAudioFileName(const std::string& path);

// An output file that appears under its name only once it is complete: the
// samples go to a temporary file beside it, renamed over the name by commit().
// A writer destroyed without commit() removes the temporary file.
class AudioFileWriter {
  public:
    // The format follows the extension of path (.wav, .aiff, .flac, .ogg, ...):
    // 32-bit float where the format has it. Throws ToolError when the extension
    // names no format or the file cannot be created.
    AudioFileWriter(const std::string& path, int sampleRate, int channels);
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    void write(const AudioData& audio);
    void commit();

  private:
    struct File;
    std::unique_ptr<File> file;
    std::string finalPath;
    std::string temporaryPath;
    std::unique_ptr<PartialFile> partial; // removed by a signal handler if the program dies
};
