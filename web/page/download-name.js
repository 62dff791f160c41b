// SPDX-License-Identifier: ISC
// The name a render is saved under: the sound's and the setting's, as
// "drums - short shimmer.wav", with what file systems refuse (separators,
// reserved signs, control characters, dots and spaces at either end) taken
// out.
const kLongestSoundName = 100;

function clean(text) {
    return text.replace(/[\u0000-\u001f\u007f/\\:*?"<>|]+/g, '_').replace(/^[\s.]+|[\s.]+$/g, '');
}

export function downloadName(sound, setting) {
    const base = clean(sound.replace(/\.[^.]*$/, '')).slice(0, kLongestSoundName) || 'sound';
    return `${base} - ${clean(setting) || 'defaults'}.wav`;
}
