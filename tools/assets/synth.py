#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Synthesises PelzoWin's jingles, effects and countdown music.

A tiny 8-bit style sound chip in Python's standard library: band-limited
pulse voices (PolyBLEP), a 4-bit stepped triangle, a linear-feedback-shift-
register noise channel and per-note envelopes.  Every piece is written as
note lists on a beat grid and rendered sample by sample.

Usage: synth.py OUT_DIR
Writes raw renders (24-bit PCM, mono, 44,100 Hz, peak about -6 dBFS, exact
sample counts) named like the final assets; make_assets.sh normalises and
converts them.  The output depends on nothing but this file.
"""

import math
import os
import random
import struct
import sys
import wave

RATE = 44100
random.seed(20240611)  # hat accents; fixed so every run gives the same bytes

NOTE_INDEX = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def midi(name):
    """'C5', 'F#3', 'Bb2' -> MIDI note number (C4 = 60)."""
    letter = name[0]
    rest = name[1:]
    shift = 0
    while rest and rest[0] in "#b":
        shift += 1 if rest[0] == "#" else -1
        rest = rest[1:]
    return 12 * (int(rest) + 1) + NOTE_INDEX[letter] + shift


def hz(note):
    if isinstance(note, (int, float)):
        return 440.0 * 2.0 ** ((note - 69) / 12.0)
    return 440.0 * 2.0 ** ((midi(note) - 69) / 12.0)


def seconds(n):
    return int(round(n * RATE))


class Track:
    """A mono float buffer of a fixed length that voices are added into."""

    def __init__(self, length_s):
        self.n = seconds(length_s)
        self.buf = [0.0] * self.n

    def add(self, start_s, samples, gain):
        i0 = seconds(start_s)
        buf = self.buf
        for k, v in enumerate(samples):
            i = i0 + k
            if i >= self.n:
                break
            if i >= 0:
                buf[i] += v * gain


# --- envelopes -------------------------------------------------------------

def envelope(n_gate, attack, decay, sustain, release):
    """Linear attack, exponential decay toward sustain, linear release after
    the gate closes.  Returns the gain for each sample of gate + release."""
    a = max(1, seconds(attack))
    d = max(1, seconds(decay))
    r = max(1, seconds(release))
    out = []
    level = 0.0
    for i in range(n_gate):
        if i < a:
            level = i / a
        else:
            level = sustain + (1.0 - sustain) * math.exp(-(i - a) / d)
        out.append(level)
    for i in range(r):
        out.append(level * (1.0 - i / r))
    return out


# --- oscillators -----------------------------------------------------------

def _blep(t, dt):
    if t < dt:
        x = t / dt
        return x + x - x * x - 1.0
    if t > 1.0 - dt:
        x = (t - 1.0) / dt
        return x * x + x + x + 1.0
    return 0.0


def pulse(freq, env, duty=0.5, vibrato=0.0, vib_delay=0.15, slide=0.0):
    """Band-limited pulse wave.  slide is semitones per second."""
    out = []
    phase = 0.0
    vd = seconds(vib_delay)
    for i, e in enumerate(env):
        f = freq
        if slide:
            f *= 2.0 ** (slide * i / RATE / 12.0)
        if vibrato and i > vd:
            f *= 1.0 + vibrato * math.sin(2.0 * math.pi * 5.5 * (i - vd) / RATE)
        dt = f / RATE
        v = 1.0 if phase < duty else -1.0
        v += _blep(phase, dt)
        v -= _blep((phase - duty) % 1.0, dt)
        # Remove the DC offset a narrow pulse carries.
        out.append((v - (2.0 * duty - 1.0)) * e)
        phase += dt
        if phase >= 1.0:
            phase -= 1.0
    return out


def triangle(freq, env, sweep_to=None, sweep_time=0.08):
    """4-bit stepped triangle, the classic chip bass.  With sweep_to the pitch
    falls exponentially to that frequency (a drum kick)."""
    out = []
    phase = 0.0
    st = seconds(sweep_time)
    for i, e in enumerate(env):
        f = freq
        if sweep_to is not None:
            f = sweep_to + (freq - sweep_to) * math.exp(-i / max(1, st) * 3.0)
        v = 4.0 * abs(phase - 0.5) - 1.0
        v = round((v + 1.0) * 7.5) / 7.5 - 1.0
        out.append(v * e)
        phase += f / RATE
        if phase >= 1.0:
            phase -= 1.0
    return out


def noise(env, clock_hz=22050.0, short=False):
    """LFSR noise: 15-bit register, tap 1 (long) or tap 6 (metallic)."""
    out = []
    reg = 1
    acc = 0.0
    step = clock_hz / RATE
    tap = 6 if short else 1
    v = 1.0
    for e in env:
        acc += step
        while acc >= 1.0:
            acc -= 1.0
            bit = (reg ^ (reg >> tap)) & 1
            reg = (reg >> 1) | (bit << 14)
            v = 1.0 if reg & 1 else -1.0
        out.append(v * e)
    return out


# --- instruments -----------------------------------------------------------

def lead(track, t, dur, note, gain=0.30, duty=0.25, vibrato=0.004, release=0.05,
         sustain=0.6):
    env = envelope(seconds(dur * 0.92), 0.004, 0.12, sustain, release)
    track.add(t, pulse(hz(note), env, duty, vibrato), gain)


def bass(track, t, dur, note, gain=0.45):
    env = envelope(seconds(dur * 0.85), 0.002, 0.3, 0.85, 0.02)
    track.add(t, triangle(hz(note), env), gain)


def kick(track, t, gain=0.6):
    env = envelope(seconds(0.09), 0.001, 0.05, 0.0, 0.02)
    track.add(t, triangle(160.0, env, sweep_to=45.0, sweep_time=0.06), gain)
    track.add(t, noise(envelope(seconds(0.01), 0.0005, 0.005, 0.0, 0.005), 8000), gain * 0.3)


def snare(track, t, gain=0.22):
    env = envelope(seconds(0.12), 0.001, 0.04, 0.0, 0.03)
    track.add(t, noise(env, 14000), gain)
    track.add(t, triangle(220.0, envelope(seconds(0.04), 0.001, 0.02, 0.0, 0.01),
                          sweep_to=150.0), gain)


def hat(track, t, gain=0.08):
    env = envelope(seconds(0.03), 0.0005, 0.01, 0.0, 0.01)
    # A little random accent keeps a row of hats from sounding mechanical.
    track.add(t, noise(env, 40000, short=True), gain * random.uniform(0.8, 1.15))


def crash(track, t, length=1.0, gain=0.16):
    env = envelope(seconds(length), 0.001, length * 0.3, 0.0, 0.05)
    track.add(t, noise(env, 30000), gain)


def play_line(track, start, step, line, fn, **kw):
    """line: 'C5:2 R:1 E5:1 ...' with lengths in steps of `step` seconds."""
    t = start
    for token in line.split():
        name, _, length = token.partition(":")
        d = float(length or 1) * step
        if name != "R":
            fn(track, t, d, name, **kw)
        t += d
    return t


# --- pieces ----------------------------------------------------------------

def opening():
    """A cheerful fanfare in C major, 150 bpm: three and a half bars, then a
    held tonic chord over a crash that rings out to the end."""
    tr = Track(7.46)
    s = 0.2  # one eighth note
    melody = ("G4:1 G4:1 C5:2 E5:2 G5:2 "
              "A5:2 G5:1 E5:1 F5:2 D5:2 "
              "E5:1 F5:1 G5:2 A5:1 B5:1 C6:2 "
              "D6:1 B5:1 G5:1 B5:1")
    end = play_line(tr, 0.0, s, melody, lead, gain=0.28, duty=0.25)
    harmony = ("E4:1 E4:1 G4:2 C5:2 E5:2 "
               "F5:2 E5:1 C5:1 A4:2 B4:2 "
               "C5:1 D5:1 E5:2 F5:1 G5:1 A5:2 "
               "B5:1 G5:1 D5:1 G5:1")
    play_line(tr, 0.0, s, harmony, lead, gain=0.14, duty=0.5, vibrato=0.0)
    # Final chord, held with vibrato and a long release.
    for note, g, duty in (("C6", 0.28, 0.25), ("G5", 0.14, 0.5), ("E5", 0.12, 0.5)):
        env = envelope(seconds(1.3), 0.004, 0.4, 0.55, 0.4)
        tr.add(end, pulse(hz(note), env, duty, vibrato=0.006, vib_delay=0.1), g)
    # Bass: root-fifth-octave walk under each half bar, then a low tonic.
    t = 0.0
    for root in ("C3", "C3", "F2", "G2", "C3", "F2", "G2"):
        r = midi(root)
        for off in (0, 7, 12, 7):
            bass(tr, t, s, r + off)
            t += s
    env = envelope(seconds(1.3), 0.002, 0.5, 0.6, 0.4)
    tr.add(end, triangle(hz("C2"), env), 0.5)
    # Drums: kick on beats 1 and 3, snare on 2 and 4, hats on eighths; a
    # sixteenth fill into the final chord, which lands with a kick and crash.
    for step in range(28):
        at = step * s
        hat(tr, at)
        if step % 4 == 0:
            kick(tr, at)
        elif step % 4 == 2 and step < 26:
            snare(tr, at)
    for k in range(4):
        snare(tr, 26 * s + k * s / 2, gain=0.12 + 0.04 * k)
    kick(tr, end)
    crash(tr, end, 1.5)
    return tr


def playstart():
    """'Ready, go': a rising run, two stabs and a bright held chord."""
    tr = Track(3.46)
    s = 0.1
    run = "G4:1 A4:1 B4:1 C5:1 D5:1 E5:1 F5:1 G5:1"
    t = play_line(tr, 0.0, s, run, lead, gain=0.22, duty=0.125, vibrato=0.0)
    play_line(tr, 0.0, s, "G3:2 B3:2 D4:2 G3:2", bass)
    for k in range(8):
        snare(tr, k * s, gain=0.05 + 0.015 * k)
    # "Ready": two punchy stabs on the dominant.
    for i, (top, mid) in enumerate((("D5", "B4"), ("F5", "D5"))):
        at = t + 0.1 + i * 0.4
        lead(tr, at, 0.22, top, gain=0.26, duty=0.25, vibrato=0.0, sustain=0.3)
        lead(tr, at, 0.22, mid, gain=0.14, duty=0.5, vibrato=0.0, sustain=0.3)
        bass(tr, at, 0.22, "G2")
        kick(tr, at)
        hat(tr, at + 0.2)
    # Drum fill, then "go!".
    go = t + 0.1 + 0.8 + 0.2
    for k in range(4):
        snare(tr, go - 0.2 + k * 0.05, gain=0.10 + 0.04 * k)
    for note, g, duty in (("C6", 0.26, 0.25), ("G5", 0.14, 0.5),
                          ("E5", 0.12, 0.5)):
        env = envelope(seconds(1.25), 0.003, 0.35, 0.5, 0.25)
        tr.add(go, pulse(hz(note), env, duty, vibrato=0.006, vib_delay=0.12), g)
    # A sparkle arpeggio on top of the held chord.
    for k, note in enumerate(["C6", "E6", "G6", "C7"] * 2):
        lead(tr, go + 0.05 + k * 0.07, 0.07, note, gain=0.06, duty=0.125,
             vibrato=0.0, sustain=0.2, release=0.02)
    env = envelope(seconds(1.2), 0.002, 0.5, 0.6, 0.25)
    tr.add(go, triangle(hz("C2"), env), 0.5)
    kick(tr, go)
    crash(tr, go, 1.3)
    return tr


def right():
    """A bright rising arpeggio into a two-note 'ding-ding'."""
    tr = Track(0.92)
    t = 0.0
    for note in ("C6", "E6", "G6"):
        lead(tr, t, 0.05, note, gain=0.20, duty=0.125, vibrato=0.0, sustain=0.5,
             release=0.01)
        t += 0.045
    for at, top, low, hold in ((t + 0.02, "G6", "E6", 0.12),
                               (t + 0.2, "C7", "G6", 0.45)):
        for note, g, duty in ((top, 0.26, 0.25), (low, 0.13, 0.5)):
            env = envelope(seconds(hold), 0.002, 0.12, 0.25, 0.12)
            tr.add(at, pulse(hz(note), env, duty), g)
        # A quieter echo an octave down gives the ding its ring.
        env = envelope(seconds(hold - 0.06), 0.002, 0.2, 0.3, 0.12)
        tr.add(at + 0.06, triangle(hz(low) / 2.0, env), 0.20)
    hat(tr, t + 0.02, gain=0.05)
    hat(tr, t + 0.2, gain=0.05)
    return tr


def wrong():
    """A low descending buzz: 'bu-buuu' on two detuned pulses."""
    tr = Track(0.91)
    for at, note, hold, slide in ((0.0, "E3", 0.16, 0.0), (0.22, "C#3", 0.52, -5.0)):
        env = envelope(seconds(hold), 0.003, 0.3, 0.8, 0.1)
        tr.add(at, pulse(hz(note), env, 0.5, slide=slide), 0.26)
        tr.add(at, pulse(hz(note) * 1.012, env, 0.25, slide=slide), 0.18)
        tr.add(at, triangle(hz(note) / 2.0, env), 0.30)
        tr.add(at, noise(envelope(seconds(hold), 0.002, 0.1, 0.3, 0.08), 3000), 0.05)
    return tr


def countup():
    """Ten seconds of clock ticks over a rising bass ostinato, the pips
    getting faster and higher toward the end, and a buzzer at 10 s."""
    tr = Track(10.47)
    # Tick-tock: a high click on the beat, a lower one on the off-beat; the
    # clock runs twice as fast in the last three seconds.
    t = 0.0
    k = 0
    while t < 9.99:
        hi = k % 2 == 0
        env = envelope(seconds(0.012), 0.0005, 0.004, 0.0, 0.008)
        tr.add(t, noise(env, 40000, short=True), 0.16 if hi else 0.10)
        env = envelope(seconds(0.02), 0.0005, 0.01, 0.0, 0.01)
        tr.add(t, pulse(2093.0 if hi else 1568.0, env, 0.5), 0.10 if hi else 0.07)
        step = 0.5 if t < 6.99 else 0.25
        t += step
        k += 1
    # Bass ostinato in eighths, a semitone higher every two seconds.
    roots = ["A2", "Bb2", "B2", "C3", "C#3"]
    s = 0.125
    for sec2, root in enumerate(roots):
        r = midi(root)
        for j in range(16):
            at = sec2 * 2.0 + j * s
            bass(tr, at, s, r + (12 if j % 4 == 2 else 0) + (7 if j % 4 == 3 else 0),
                 gain=0.38)
    # A pip each whole second, climbing the scale; the last three louder.
    pips = ["A4", "B4", "C5", "D5", "E5", "F5", "G5", "A5", "B5", "C6"]
    for sec, note in enumerate(pips):
        loud = sec >= 7
        lead(tr, sec + 0.0, 0.12, note, gain=0.20 if loud else 0.12, duty=0.25,
             vibrato=0.0, sustain=0.4, release=0.03)
        if loud:
            lead(tr, sec + 0.0, 0.12, midi(note) - 12, gain=0.10, duty=0.5,
                 vibrato=0.0, sustain=0.4, release=0.03)
    # Tension pad: a quiet pulse trill that speeds up, from 6 s on.
    t = 6.0
    k = 0
    while t < 9.95:
        note = "E5" if k % 2 == 0 else "F5"
        rate = 0.125 if t < 8.0 else 0.0625
        lead(tr, t, rate, note, gain=0.05, duty=0.125, vibrato=0.0, sustain=0.5,
             release=0.01)
        t += rate
        k += 1
    # Kicks on every second, snare from 7 s on the half seconds.
    for sec in range(10):
        kick(tr, float(sec), gain=0.45)
        if sec >= 7:
            snare(tr, sec + 0.5, gain=0.15)
    # Time up: a buzzer of two detuned pulses and a noise burst.
    env = envelope(seconds(0.38), 0.003, 0.5, 0.9, 0.08)
    for f, duty, g in ((233.08, 0.5, 0.24), (246.94, 0.25, 0.20), (116.54, 0.5, 0.16)):
        tr.add(10.0, pulse(f, env, duty), g)
    crash(tr, 10.0, 0.45, gain=0.12)
    return tr


PIECES = {
    "openning_8bit.wav": opening,
    "playstart_8bit.wav": playstart,
    "right.wav": right,
    "wrong.wav": wrong,
    "countup_10sec.wav": countup,
}


def write_wav(path, samples):
    # Whatever still rings at the cut fades out over the last 15 ms, so the
    # file never ends in a click.
    tail = seconds(0.015)
    samples = list(samples)
    for k in range(tail):
        samples[-1 - k] *= k / tail
    peak = max(1e-9, max(abs(v) for v in samples))
    scale = 0.5 / peak  # -6 dBFS; the final level is set by sox
    frames = bytearray()
    for v in samples:
        x = int(round(v * scale * 8388607.0))
        frames += struct.pack("<i", x)[:3]
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(3)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: synth.py OUT_DIR\n")
        return 2
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    for name, fn in PIECES.items():
        write_wav(os.path.join(out_dir, name), fn().buf)
    return 0


if __name__ == "__main__":
    sys.exit(main())
