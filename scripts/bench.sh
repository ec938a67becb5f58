#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the benchmarks in Release (build-bench/, tests left out), makes the
# data sets, runs every benchmark headless and prints one table of figures,
# references, ratios and goals. Extra arguments go to every benchmark program
# (for example --benchmark_repetitions=3).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${PELZO_BENCH_DIR:-build-bench}
jobs=${PELZO_JOBS:-2}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPELZO_WERROR=ON -DPELZO_BUILD_TESTS=OFF \
  -DPELZO_BUILD_BENCH=ON >/dev/null
programs=(bench_text_layout bench_play_frame bench_load_pzq bench_load_zip bench_glyph_rebuild bench_startup bench_tool_bounds)
cmake --build "$build" -j"$jobs" --target bench_data "${programs[@]}"

export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
out="$build/bench-results"
mkdir -p "$out"
for p in "${programs[@]}"; do
  echo "== $p"
  "$build/$p" --benchmark_out="$out/$p.json" --benchmark_out_format=json "$@"
done

python3 - "$out" "${programs[@]}" <<'EOF'
import json, os, sys

out, programs = sys.argv[1], sys.argv[2:]
rows = []
for p in programs:
    with open(os.path.join(out, p + ".json")) as f:
        data = json.load(f)
    for b in data["benchmarks"]:
        if b.get("error_occurred"):
            rows.append((b["name"], "error: " + b.get("error_message", ""), "", "", "", "", ""))
            continue
        name = b["name"].split("/")[0].replace("BM_", "")
        if b.get("label"):
            name += " (" + b["label"] + ")"
        ms, ref, ratio = b.get("ms"), b.get("ref_ms"), b.get("ratio")
        if "goal_ms" in b:
            goal = "<= %g ms" % b["goal_ms"]
            ok = ms <= b["goal_ms"]
        elif "goal_ratio" in b:
            goal = "<= %gx" % b["goal_ratio"]
            ok = ratio <= b["goal_ratio"]
        else:
            goal, ok = "-", None
        notes = []
        for key, fmt in (("cpu_ms", "cpu %.3f ms"), ("draw_calls", "%d draw calls"), ("main_ms", "in main %.0f ms"),
                         ("file_ms", "file %.0f ms"), ("rebuild_ms", "rebuild %.0f ms"),
                         ("file_ratio", "file/ref %.2fx"), ("first_ms", "first after start-up %.0f ms"),
                         ("first_ratio", "%.2fx"), ("glyphs", "%d glyphs"),
                         ("peak_rss_MiB", "peak RSS %.0f MiB"), ("load_peak_MiB", "load peak +%.0f MiB"),
                         ("archive_KB", "archive %.0f KB")):
            if key in b:
                notes.append(fmt % b[key])
        if "rss_ratio" in b:
            ok = b["rss_ratio"] <= b["rss_goal_ratio"]
            goal = "peak RSS <= %gx input" % b["rss_goal_ratio"]
            notes.append("peak RSS %.0f MiB for %.0f MiB of sources: %.2fx" % (b["pack_peak_MiB"], b["input_MiB"],
                                                                          b["rss_ratio"]))
        if "mem_ratio" in b:
            mem_ok = b["mem_ratio"] <= b["mem_goal_ratio"]
            notes.append("memory %.3fx of arrays+field (goal <= %gx) %s" % (b["mem_ratio"], b["mem_goal_ratio"],
                                                                       "ok" if mem_ok else "MISSED"))
            ok = ok and mem_ok
        rows.append((name, "%.3f ms" % ms if ms < 10 else "%.0f ms" % ms,
                     ("%.3f ms" % ref if ref < 10 else "%.0f ms" % ref) if ref is not None else "-",
                     "%.3g" % ratio if ratio is not None else "-", goal,
                     ("ok" if ok else "MISSED") if ok is not None else "", "; ".join(notes)))

print()
print("| Figure | Time | Reference | Ratio | Goal | | Notes |")
print("|---|---|---|---|---|---|---|")
for r in rows:
    print("| " + " | ".join(str(c) for c in r) + " |")
EOF

# The idle game against a bare SDL2 loop, on an X server of its own.
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
  echo "== idle cost (bench/idle_cost.sh)"
  cmake --build "$build" -j"$jobs" --target pelzowin bare_loop >/dev/null
  unset SDL_VIDEODRIVER
  bash bench/idle_cost.sh "$build"
fi
