#!/usr/bin/python3
"""How much the show moves and how its light changes, frame by frame, from kavex_capture's frames.

Every frame from --from to --until is rendered at 384 x 216 (PNG stills at each frame's time, so the
pictures are exact), then for each order position it prints:
  motion   median over its frames of the mean absolute difference to the previous frame
           (all pixels and channels, 0..255)
  light    the largest change of the frame's mean brightness (mean of all pixels and channels) from
           one frame to the next, leaving out the scene changes with their flashes and the shatter's
           impact, which are designed to change the light at once
  (skipped) the largest change inside those designed moments, for information

Usage: bench/measure-motion.py [--build DIR] [--from POS] [--until POS] [--keep DIR]
Needs Debian's python3-numpy (for /usr/bin/python3) and ffmpeg.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

import numpy

WIDTH, HEIGHT = 384, 216
# Orders where the show changes scene; the first 500 ms after each carry the white or red flash.
SCENE_CHANGE_ORDERS = (5, 8, 15, 17, 23, 25)
FLASH_MS = 500
# The shatter's impact, answering the soundtrack's hit: order 15, rows 0 to 3.
IMPACT = (15, 3)
STILLS_PER_RUN = 400


def frame_positions(capture, build, start, until, work):
    """(frame, ms since the music started, order, row) of every frame of the clip, from a hash run at a
    small size (its lines give the frame, the show clock, which runs 1000 ms ahead, and the position)."""
    hashes = os.path.join(work, "hashes.txt")
    run = [capture, "--quiet", "--size", "64x36", "--hashes", hashes, "--from", start]
    if until:
        run += ["--until", until]
    subprocess.run(run, cwd=build, check=True, stdout=subprocess.DEVNULL)
    frames = []
    with open(hashes) as lines:
        for line in lines:
            frame, clock_ms, position = line.split()[:3]
            order, row = position.split(":")
            frames.append((int(frame), int(clock_ms) - 1000, int(order), int(row)))
    return frames


def render_stills(capture, build, frames, work):
    """Renders the frames at 384 x 216 as PNG stills, numbered in frame order; their file pattern.
    The capture checks every pair of outputs before it starts, so the stills go in batches."""
    prefix = os.path.join(work, "still_")
    for first in range(0, len(frames), STILLS_PER_RUN):
        batch = frames[first:first + STILLS_PER_RUN]
        run = [capture, "--quiet", "--size", f"{WIDTH}x{HEIGHT}", "--still-prefix", prefix]
        for _, time_ms, _, _ in batch:
            run += ["--still", f"{time_ms}ms"]
        result = subprocess.run(run, cwd=build, check=True, capture_output=True, text=True)
        taken = {int(m.group(2)): int(m.group(1)) for m in re.finditer(r"Still (\d+)ms \(frame (\d+),", result.stdout)}
        for index, (frame, time_ms, _, _) in enumerate(batch, first):
            if taken.get(frame) != time_ms:
                sys.exit(f"frame {frame} was not taken at {time_ms} ms")
            os.rename(f"{prefix}{time_ms}ms.png", os.path.join(work, f"frame_{index:06d}.png"))
    return os.path.join(work, "frame_%06d.png")


def decoded_pictures(pattern):
    """The numbered stills one after the other, as HEIGHT x WIDTH x 3 arrays."""
    decode = subprocess.Popen(["ffmpeg", "-hide_banner", "-loglevel", "error", "-i", pattern, "-f", "rawvideo",
                               "-pix_fmt", "rgb24", "-"], stdout=subprocess.PIPE)
    size = WIDTH * HEIGHT * 3
    while True:
        data = decode.stdout.read(size)
        if len(data) < size:
            break
        yield numpy.frombuffer(data, dtype=numpy.uint8).reshape(HEIGHT, WIDTH, 3)
    if decode.wait() != 0:
        sys.exit("ffmpeg could not decode the stills")


def designed_changes(frames):
    """For each frame, whether it belongs to a scene change's flash or to the shatter's impact."""
    order_start = {}
    for _, time_ms, order, _ in frames:
        order_start.setdefault(order, time_ms)
    return [(order == IMPACT[0] and row <= IMPACT[1]) or
            (order in SCENE_CHANGE_ORDERS and time_ms - order_start[order] <= FLASH_MS)
            for _, time_ms, order, row in frames]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build", help="build folder holding kavex_capture and Assets/")
    parser.add_argument("--from", dest="start", default="8:0", help="first position (default 8:0)")
    parser.add_argument("--until", default="", help="last position (default: the end of the music)")
    parser.add_argument("--keep", default="", help="leave the stills in this folder")
    args = parser.parse_args()

    build = os.path.abspath(args.build)
    capture = os.path.join(build, "kavex_capture")
    work = args.keep or tempfile.mkdtemp(prefix="motion-")
    os.makedirs(work, exist_ok=True)
    try:
        frames = frame_positions(capture, build, args.start, args.until, work)
        pattern = render_stills(capture, build, frames, work)
        motion, brightness = [0.0], []
        previous = None
        for picture in decoded_pictures(pattern):
            brightness.append(float(picture.mean()))
            if previous is not None:
                motion.append(float(numpy.abs(picture.astype(numpy.int16) - previous).mean()))
            previous = picture
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
    if len(brightness) != len(frames):
        sys.exit(f"{len(brightness)} pictures decoded for {len(frames)} frames")

    designed = designed_changes(frames)
    print("order  frames  motion  light (at)          skipped")
    for order in sorted({order for _, _, order, _ in frames}):
        moves, light, skipped = [], (0.0, ""), 0.0
        for i in range(1, len(frames)):
            frame, _, o, row = frames[i]
            if o != order:
                continue
            moves.append(motion[i])
            change = abs(brightness[i] - brightness[i - 1])
            if designed[i]:
                skipped = max(skipped, change)
            elif change > light[0]:
                light = (change, f"{o}:{row} f{frame}")
        if len(moves) > 1:
            print(f"{order:5d}  {len(moves):6d}  {numpy.median(moves):6.2f}  {light[0]:5.1f} ({light[1]:>13})  "
                  f"{skipped:5.1f}")


if __name__ == "__main__":
    main()
