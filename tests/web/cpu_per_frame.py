#!/usr/bin/env python3
"""What a page cost per frame: from its report's marks (the moment and the frame count at each
whole second of playing) and cpu_sampler.py's samples, from five seconds in (past the compiling and
the first pictures' loading) to the last mark the samples reach on both sides (the browser is
stopped as soon as the page reports).

usage: cpu_per_frame.py REPORT SAMPLES
Prints "FRAMES ALL RENDERER": the frames measured, then the CPU milliseconds per frame of all the
browser's processes and of its renderer processes. Fails when fewer than 300 frames are measured.
"""
import json
import sys


def main():
    marks = json.load(open(sys.argv[1])).get("marks", [])
    samples = [tuple(map(float, line.split())) for line in open(sys.argv[2]) if len(line.split()) == 3]

    # CPU milliseconds used by a moment: linearly between the samples on each side of it.
    def used(at, column):
        before = [s for s in samples if s[0] <= at]
        after = [s for s in samples if s[0] >= at]
        if not before or not after:
            return None
        a, b = before[-1], after[0]
        return a[column] if b[0] == a[0] else a[column] + (b[column] - a[column]) * (at - a[0]) / (b[0] - a[0])

    first = marks[5] if len(marks) > 5 and used(marks[5][0], 1) is not None else None
    last = next((m for m in reversed(marks) if used(m[0], 1) is not None), None)
    frames = last[1] - first[1] if first and last else 0
    if frames < 300:
        sys.exit(f"too few frames measured from five seconds in ({frames}; marks {marks})")
    total, renderer = ((used(last[0], c) - used(first[0], c)) / frames for c in (1, 2))
    print(f"{frames} {total:.3f} {renderer:.3f}")


if __name__ == "__main__":
    main()
