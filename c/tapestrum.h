/* SPDX-License-Identifier: ISC */
/* tapestrum.h: the effect behind a plain C interface, for any embedder (the
 * WebAssembly module of the browser page exports exactly these functions).
 *
 * One handle is one instance of the effect, mono (tapestrum_new: the same
 * parameters, texts and output as the VST 2 module) or stereo
 * (tapestrum_new_stereo: two channels with one set of parameters and a linked
 * gate). Values are the host's, from 0 to 1, and indexes
 * run from 0 to tapestrum_parameter_count() - 1 in the order of the README's
 * parameter table.
 *
 * Threads: tapestrum_process runs on the embedder's audio thread. Setting and
 * reading parameters and their texts may come from any other thread while it
 * runs, as a host's user interface does (tapestrum_process_stereo likewise).
 * The views of the track
 * (tapestrum_track_*, tapestrum_*_head) are for the thread that calls
 * tapestrum_process, between two calls (the browser page's audio worklet reads
 * them there); elsewhere they can catch a frame half written. Only
 * tapestrum_new, tapestrum_new_stereo, tapestrum_delete and the texts
 * allocate.
 *
 * A null handle is accepted everywhere and does nothing: reads give 0, texts
 * an empty string, and tapestrum_process writes silence. */
#ifndef TAPESTRUM_H
#define TAPESTRUM_H

#ifdef __cplusplus
extern "C" {
#endif

/* Defined here, not taken from the plug-in modules' export macro, so that this
 * header stands alone for C embedders. */
#if defined(_WIN32)
#define TAPESTRUM_API
#else
#define TAPESTRUM_API __attribute__((visibility("default")))
#endif

typedef struct tapestrum tapestrum;

/* A new instance at the given sample rate (Hz), switched on as a host does
 * (every parameter at its default, applied). Null when the rate is not a
 * positive finite number or memory runs out. */
TAPESTRUM_API tapestrum* tapestrum_new(float sample_rate);
/* The same, stereo: each channel is the mono effect, except that a hop is
 * recorded in both channels when either channel's input passes the threshold,
 * and both channels' heads move together. Parameters, texts and presets are
 * as for a mono instance; the track functions below show the left channel. */
TAPESTRUM_API tapestrum* tapestrum_new_stereo(float sample_rate);
TAPESTRUM_API void tapestrum_delete(tapestrum* handle);
/* 1 for a mono instance, 2 for a stereo one, 0 for a null handle. */
TAPESTRUM_API int tapestrum_channels(const tapestrum* handle);

/* 11. */
TAPESTRUM_API int tapestrum_parameter_count(void);

/* The value is clamped to 0..1 (not a number gives 0); a bad index is
 * ignored. */
TAPESTRUM_API void tapestrum_set_parameter(tapestrum* handle, int index, float value);
/* The value as the effect reads it back (a delay lands on a whole frame, the
 * head position follows the moving write head); 0 for a bad index. */
TAPESTRUM_API float tapestrum_get_parameter(tapestrum* handle, int index);

/* The parameter's name ("delay", ..., "head direction"), a static string; null
 * for a bad index. */
TAPESTRUM_API const char* tapestrum_parameter_name(int index);
/* Writes the text a host shows for the parameter's current value ("87.07 ms ",
 * "delayed as carrier", ...) into buffer: at most size - 1 characters and a
 * terminating zero (nothing at all when size is below 1 or buffer is null).
 * Returns the length of the whole text, so a result of size or more means it
 * was cut; -1 (and an empty string) for a null handle or a bad index. */
TAPESTRUM_API int tapestrum_parameter_text(tapestrum* handle, int index, char* buffer, int size);

/* The factory presets, in the order hosts list them (presets run from 0 to
 * tapestrum_preset_count() - 1). */
TAPESTRUM_API int tapestrum_preset_count(void);
/* The preset's name ("spectral echo", ...) and the line that says what it
 * does, static strings; null for a bad preset. */
TAPESTRUM_API const char* tapestrum_preset_name(int preset);
TAPESTRUM_API const char* tapestrum_preset_description(int preset);
/* Sets the preset's 11 values in index order, as a host loads a program, from
 * any thread as tapestrum_set_parameter; a bad preset or a null handle does
 * nothing. */
TAPESTRUM_API void tapestrum_apply_preset(tapestrum* handle, int preset);

/* Turns frames input samples into as many output samples; input and output may
 * be the same array. Nothing happens for frames below 1 or a null output. A
 * null input is silence, processed as any input (the loop plays on); with a
 * null handle the output gets silence, and so does it with a stereo handle,
 * which stays as it is. Audio thread; never allocates. */
TAPESTRUM_API void tapestrum_process(tapestrum* handle, const float* input, float* output,
                                     int frames);
/* The same for a stereo instance: the left and right inputs into the left and
 * right outputs (each input and its output may be the same array). Nothing
 * happens for frames below 1 or a null output; a null input is that channel's
 * silence. A null handle gives silence in both outputs; a mono handle runs the
 * left channel alone and writes silence to the right output. Audio thread;
 * never allocates. */
TAPESTRUM_API void tapestrum_process_stereo(tapestrum* handle, const float* in_left,
                                            const float* in_right, float* out_left,
                                            float* out_right, int frames);

/* The recorded track: tapestrum_track_capacity() frames of
 * tapestrum_bin_count() magnitudes each, frame after frame (600 x 512 floats),
 * of which the first tapestrum_track_length() frames make the loop. The
 * pointer stays valid until tapestrum_delete. */
TAPESTRUM_API const float* tapestrum_track_magnitudes(const tapestrum* handle);
/* The track as one picture in the same layout, copied into picture (which
 * holds tapestrum_track_capacity() x tapestrum_bin_count() floats): a mono
 * instance's own magnitudes, for a stereo one the louder of its two channels'
 * at each frame and bin (tapestrum_track_magnitudes gives its left channel's).
 * Does nothing for a null handle or picture. */
TAPESTRUM_API void tapestrum_track_picture(const tapestrum* handle, float* picture);
TAPESTRUM_API int tapestrum_track_capacity(void);
TAPESTRUM_API int tapestrum_bin_count(void);
TAPESTRUM_API int tapestrum_track_length(const tapestrum* handle);
/* The frame the next hop records at, and the frame the last hop read. */
TAPESTRUM_API int tapestrum_write_head(const tapestrum* handle);
TAPESTRUM_API int tapestrum_read_head(const tapestrum* handle);

#ifdef __cplusplus
}
#endif

#endif
