// SPDX-License-Identifier: ISC
// Reading and writing audio files through libsndfile: WAV, FLAC, AIFF, OGG and
// whatever else it reads.
#pragma once

#include "tools/AudioData.h"
#include "tools/AudioStream.h"
#include "tools/PartialFiles.h"

#include <memory>
#include <string>
#include <vector>

// Throws ToolError naming the file when it cannot be read.
AudioData ReadAudioFile(const std::string& path);

// An input file read a chunk at a time.
class AudioFileReader final : public AudioSource {
  public:
    // Throws ToolError naming the file when it cannot be read.
    explicit AudioFileReader(const std::string& path);
    ~AudioFileReader() override;
    AudioFileReader(const AudioFileReader&) = delete;
    AudioFileReader& operator=(const AudioFileReader&) = delete;

    int sampleRate() const override;
    size_t channels() const override;
    size_t frames() const override;
    // Throws ToolError when the file's audio data is damaged.
    size_t read(AudioChunk& chunk, size_t frames) override;

  private:
    struct File;
    std::unique_ptr<File> file;
    std::string path;
    std::vector<float> interleaved;
};

// Whether the extension of a path names a format that files can be written in.
bool IsAudioFileName(const std::string& path);

// An output file that appears under its name only once it is complete: the
// samples go to a temporary file beside it, renamed over the name by commit().
// A writer destroyed without commit() removes the temporary file.
class AudioFileWriter final : public AudioSink {
  public:
    // The format follows the extension of path (.wav, .aiff, .flac, .ogg, ...):
    // 32-bit float where the format has it. Throws ToolError when the extension
    // names no format or the file cannot be created.
    AudioFileWriter(const std::string& path, int sampleRate, int channels);
    ~AudioFileWriter() override;
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    void write(const AudioData& audio);
    // Throws ToolError when the samples cannot be written.
    void write(const AudioChunk& chunk, size_t frames) override;
    void commit();

  private:
    struct File;
    std::unique_ptr<File> file;
    std::string finalPath;
    std::string temporaryPath;
    std::unique_ptr<PartialFile> partial; // removed by a signal handler if the program dies
    std::vector<float> interleaved;
};
