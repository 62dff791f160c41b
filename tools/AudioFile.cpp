// SPDX-License-Identifier: ISC
#include "tools/AudioFile.h"

#include "tools/ToolError.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sndfile.h>

#if defined(_WIN32)
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace {

struct Container {
    const char* extension;
    int format;
};

// Formats by extension; float samples where the container holds them.
constexpr Container kContainers[] = {
    {"wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},    {"wave", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
    {"aif", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},   {"aiff", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
    {"aifc", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},  {"au", SF_FORMAT_AU | SF_FORMAT_FLOAT},
    {"snd", SF_FORMAT_AU | SF_FORMAT_FLOAT},     {"caf", SF_FORMAT_CAF | SF_FORMAT_FLOAT},
    {"w64", SF_FORMAT_W64 | SF_FORMAT_FLOAT},    {"rf64", SF_FORMAT_RF64 | SF_FORMAT_FLOAT},
    {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24}, {"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
    {"oga", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
};

std::string Extension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

const Container* ContainerFor(const std::string& path) {
    const std::string extension = Extension(path);
    const auto container =
        std::find_if(std::begin(kContainers), std::end(kContainers),
                     [&](const Container& c) { return extension == c.extension; });
    return container == std::end(kContainers) ? nullptr : container;
}

} // namespace

bool IsAudioFileName(const std::string& path) { return ContainerFor(path) != nullptr; }

struct AudioFileReader::File {
    SNDFILE* handle = nullptr;
    SF_INFO info{};
};

AudioFileReader::AudioFileReader(const std::string& path)
    : file(std::make_unique<File>()), path(path) {
    file->handle = sf_open(path.c_str(), SFM_READ, &file->info);
    if (!file->handle) throw ToolError("cannot read '" + path + "': " + sf_strerror(nullptr));
}

AudioFileReader::~AudioFileReader() { sf_close(file->handle); }

int AudioFileReader::sampleRate() const { return file->info.samplerate; }
size_t AudioFileReader::channels() const { return static_cast<size_t>(file->info.channels); }
size_t AudioFileReader::frames() const { return static_cast<size_t>(file->info.frames); }

size_t AudioFileReader::read(AudioChunk& chunk, size_t frames) {
    const size_t count = channels();
    interleaved.resize(frames * count);
    const sf_count_t read =
        sf_readf_float(file->handle, interleaved.data(), static_cast<sf_count_t>(frames));
    if (read < 0) throw ToolError("cannot read '" + path + "': damaged audio data");
    for (size_t f = 0; f < static_cast<size_t>(read); ++f)
        for (size_t c = 0; c < count; ++c)
            chunk[c][f] = interleaved[f * count + c];
    return static_cast<size_t>(read);
}

AudioData ReadAudioFile(const std::string& path) {
    AudioFileReader reader(path);
    AudioData audio;
    audio.sampleRate = reader.sampleRate();
    audio.channels.assign(reader.channels(), std::vector<float>(reader.frames()));
    const size_t read = reader.read(audio.channels, reader.frames());
    for (std::vector<float>& channel : audio.channels)
        channel.resize(read);
    return audio;
}

struct AudioFileWriter::File {
    SNDFILE* handle = nullptr;
    SF_INFO info{};
};

AudioFileWriter::AudioFileWriter(const std::string& path, int sampleRate, int channels)
    : file(std::make_unique<File>()), finalPath(path) {
    const Container* container = ContainerFor(path);
    if (!container)
        throw ToolError("cannot write '" + path +
                        "': no audio format is known for the extension '." + Extension(path) +
                        "' (use .wav, .aiff, .flac, .ogg, .au, .caf or .w64)");
    file->info.samplerate = sampleRate;
    file->info.channels = channels;
    file->info.format = container->format;
    if (!sf_format_check(&file->info))
        throw ToolError("cannot write '" + path + "': the format does not take " +
                        std::to_string(channels) + " channels at " + std::to_string(sampleRate) +
                        " Hz");
    temporaryPath = path + ".partial-" + std::to_string(getpid());
    partial = std::make_unique<PartialFile>(temporaryPath);
    file->handle = sf_open(temporaryPath.c_str(), SFM_WRITE, &file->info);
    if (!file->handle) throw ToolError("cannot write '" + path + "': " + sf_strerror(nullptr));
}

AudioFileWriter::~AudioFileWriter() {
    if (file->handle) {
        sf_close(file->handle);
        std::remove(temporaryPath.c_str());
    }
}

void AudioFileWriter::write(const AudioData& audio) { write(audio.channels, audio.frames()); }

void AudioFileWriter::write(const AudioChunk& chunk, size_t frames) {
    const size_t channels = chunk.size();
    interleaved.resize(frames * channels);
    for (size_t f = 0; f < frames; ++f)
        for (size_t c = 0; c < channels; ++c)
            interleaved[f * channels + c] = chunk[c][f];
    const auto count = static_cast<sf_count_t>(frames);
    if (sf_writef_float(file->handle, interleaved.data(), count) != count)
        throw ToolError("cannot write '" + finalPath + "': " + sf_strerror(file->handle));
}

void AudioFileWriter::commit() {
    const int closed = sf_close(file->handle);
    file->handle = nullptr;
    if (closed != 0 || std::rename(temporaryPath.c_str(), finalPath.c_str()) != 0) {
        std::remove(temporaryPath.c_str());
        throw ToolError("cannot write '" + finalPath +
                        "': the finished file could not be put in place");
    }
}
