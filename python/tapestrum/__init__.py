# SPDX-License-Identifier: ISC
"""tapestrum: the spectral delay and looper for numpy arrays.

    import soundfile, tapestrum
    audio, rate = soundfile.read("voice.wav", dtype="float32")
    effect = tapestrum.Effect(rate, preset="band freeze", mix=0.5)
    soundfile.write("voice-loop.wav", effect.process(audio, tail=2.0), rate)

An Effect is one instance of the effect, mono (channels=1: 1-D arrays of
samples) or linked stereo (channels=2: arrays of shape (frames, 2), the way
soundfile reads stereo files; a hop is recorded in both channels when either
passes the threshold). Consecutive process calls continue one stream. Values
run from 0 to 1, as a host sets them; a value outside that range is clamped.
The parameters are named by their symbols, as keyword arguments and
attributes (effect.delay = 0.25; all but `process`, whose attribute is the
method), or by index, name or symbol through effect.parameters
(effect.parameters["process"], effect.parameters["track lenght"]).
"""

import numbers
from collections.abc import MutableMapping

import numpy

from . import _tapestrum

__version__ = _tapestrum.version
__all__ = ["Effect", "presets", "render", "PARAMETERS"]

# (name, symbol, default) of every parameter, in index order.
_ROWS = _tapestrum.parameter_rows()
PARAMETERS = tuple(symbol for _, symbol, _ in _ROWS)
_INDEX = {key: index for index, (name, symbol, _) in enumerate(_ROWS) for key in (name, symbol)}

# The tail the offline host renders after the input unless told otherwise: the
# wet signal's lag, 1024 samples.
DEFAULT_TAIL_FRAMES = 1024


def _index_of(key):
    """The index of a parameter given by index, name ("track lenght") or symbol."""
    if isinstance(key, numbers.Integral) and not isinstance(key, bool):
        if 0 <= key < len(_ROWS):
            return int(key)
        raise KeyError(f"parameter index {key} is not from 0 to {len(_ROWS) - 1}")
    try:
        return _INDEX[key]
    except (KeyError, TypeError):
        raise KeyError(f"no parameter {key!r}; the parameters are {', '.join(PARAMETERS)}, "
                       f"or by name {', '.join(repr(row[0]) for row in _ROWS)}") from None


def presets():
    """Every factory preset as (name, description), in the order hosts list them."""
    return [(name, description) for name, description, _ in _tapestrum.presets()]


class Parameters(MutableMapping):
    """An Effect's values by index, name or symbol; iterates over the names."""

    def __init__(self, core):
        self._core = core

    def __getitem__(self, key):
        return self._core.stored(_index_of(key))

    def __setitem__(self, key, value):
        self._core.set(_index_of(key), value)

    def __delitem__(self, key):
        raise TypeError("an Effect's parameters cannot be removed")

    def __iter__(self):
        return iter(name for name, _, _ in _ROWS)

    def __len__(self):
        return len(_ROWS)


class Effect:
    """One instance of the effect at sample_rate Hz, switched on with every
    parameter at its default; then the preset (by a name `tapestrum presets`
    lists, in any case, hyphens or underscores for spaces), then the keyword
    values, in index order."""

    def __init__(self, sample_rate, channels=1, preset=None, **parameters):
        core = _tapestrum.Effect(float(sample_rate), int(channels))
        object.__setattr__(self, "_core", core)
        if preset is not None and not core.load_preset(str(preset)):
            raise ValueError(f"no factory preset {preset!r}; the presets are: "
                             + ", ".join(name for name, _ in presets()))
        for symbol in parameters:
            if symbol not in PARAMETERS:
                raise TypeError(f"Effect() got an unknown parameter {symbol!r}; the "
                                "parameters are: " + ", ".join(PARAMETERS))
        for index, symbol in enumerate(PARAMETERS):
            if symbol in parameters:
                core.set(index, parameters[symbol])

    @classmethod
    def from_state(cls, state, sample_rate=44100, channels=1):
        """An Effect with the values and program name of a state block (bytes
        from state()); ValueError when the block is not a valid state."""
        effect = cls(sample_rate, channels)
        effect._core.load_state(bytes(state))
        return effect

    @property
    def sample_rate(self):
        return self._core.sample_rate

    @property
    def channels(self):
        return self._core.channels

    @property
    def parameters(self):
        return Parameters(self._core)

    def __getattr__(self, symbol):
        if symbol in PARAMETERS:
            return self._core.stored(_INDEX[symbol])
        raise AttributeError(f"'Effect' object has no attribute {symbol!r}")

    def __setattr__(self, symbol, value):
        if symbol == "process":
            raise AttributeError("effect.process is the method: set the parameter as "
                                 "effect.parameters['process']")
        if symbol not in PARAMETERS:
            raise AttributeError(f"no parameter {symbol!r}; the parameters are: "
                                 + ", ".join(PARAMETERS))
        self._core.set(_INDEX[symbol], value)

    def text(self, key):
        """The text a host shows for the parameter ("87.07 ms ", "forward", ...)."""
        return self._core.text(_index_of(key))

    def read(self, key):
        """The value as the effect reads it back (a delay on a whole frame, the
        head position where the write head has moved)."""
        return self._core.read(_index_of(key))

    def process(self, audio, tail=0.0):
        """Renders audio (float32, or float64 converted; 1-D for mono, (frames, 2)
        for stereo) and `tail` seconds of silence after it into a new float32
        array; the stream continues from the last call. The interpreter's lock
        is released meanwhile."""
        return self._core.process(numpy.asarray(audio), float(tail))

    def reset(self):
        """Forgets all audio, as a new instance; the values stay."""
        self._core.reset()

    def state(self):
        """The values as last set and the program's name, as a state block (bytes)."""
        return self._core.state()

    def __repr__(self):
        values = ", ".join(f"{symbol}={self._core.stored(i):.9g}"
                           for i, symbol in enumerate(PARAMETERS))
        return f"tapestrum.Effect({self.sample_rate:g}, channels={self.channels}, {values})"


def render(audio, sample_rate, channels=1, preset=None, tail=None, **parameters):
    """Renders audio through a new Effect as `tapestrum render` renders a file:
    the input, then `tail` seconds of silence (by default 1024 samples, the wet
    signal's lag)."""
    effect = Effect(sample_rate, channels, preset, **parameters)
    if tail is None:
        tail = DEFAULT_TAIL_FRAMES / effect.sample_rate
    return effect.process(audio, tail)
