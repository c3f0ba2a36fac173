"""Side-by-side timings of plantwright against what a user would pick instead.

Run:  python benchmarks/run.py [--quick] [-k TEXT]

Each case times our operation and its peer in one process, in alternating rounds, and compares
the medians with the case's target ratio (ours / peer). After the table come the memory figures
and the count of write(2) calls per design. benchmarks/README.md explains how to read the output.
"""

import argparse
import contextlib
import ctypes
import gc
import hashlib
import math
import os
import pathlib
import random
import re
import shlex
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import timeit

import control

from plantwright import Complex, ControllerSpec, System

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests"))
import reference_design as reference  # noqa: E402  (the pure-Python design lives with the tests)

# Plants as (gain, zeros, poles) with (real, imag) pairs.
TARGET = (-2.0, 2.0)
SMALL_PLANT = (2.0, [(-3.0, 0.0)], [(0.0, 0.0), (-1.0, 0.0), (-5.0, 0.0)])
PD_PLANT = (1.0, [], [(0.0, 0.0), (-1.0, 0.0)])
# Type 1 and a 5 % ramp error: an integrator, lead sections, a lag section and the repaired leads
# all take part.
LEAD_LAG_PLANT = (10.0, [], [(-1.0, 0.0), (-4.0, 0.0)])
LEAD_LAG_FIELDS = {"system_type": 1, "tracking_error": 0.05}


def circle_around(centre, count, seed):
    """`count` points at distance 1 from `centre`: every factor s - p of G(centre) has modulus 1,
    so a long product stays a normal double instead of sinking into the slow subnormal range."""
    rng = random.Random(seed)
    points = []
    for _ in range(count):
        angle = rng.uniform(-math.pi, math.pi)
        points.append((centre[0] + math.cos(angle), centre[1] + math.sin(angle)))
    return points


LONG_PLANT = (1.0, [], circle_around(TARGET, 1000, seed=1))
THOUSAND_ZEROS = circle_around((0.0, 0.0), 1000, seed=2)


def native_plant(plant):
    gain, zeros, poles = plant
    return System(gain, [Complex(*z) for z in zeros], [Complex(*p) for p in poles])


def native_spec(fields=None):
    spec = ControllerSpec(Complex(*TARGET))
    for name, value in (fields or {}).items():
        setattr(spec, name, value)
    return spec


def write_message(message):
    """The pure-Python design's report channel: one os.write to fd 1 per message, like ours."""
    os.write(1, message.encode())


def reference_plant(plant):
    return reference.System(*plant)


# The designs by method name: (plant, ControllerSpec fields, the same design in pure Python,
# which takes the function that writes one message).
DESIGNS = {
    "pd_control": (PD_PLANT, {}, lambda plant, write: reference.design_pd(plant, TARGET, write)),
    "lead_lag_control": (LEAD_LAG_PLANT, LEAD_LAG_FIELDS,
                         lambda plant, write: reference.design_lead_lag(plant, TARGET, write, **LEAD_LAG_FIELDS)),
}


def native_design(method):
    """Our design as a bound method and its specification."""
    plant, fields, _ = DESIGNS[method]
    return getattr(native_plant(plant), method), native_spec(fields)


def reference_messages(method):
    """The messages of one pure-Python design, in order: it calls write once per message."""
    plant, _, design = DESIGNS[method]
    messages = []
    design(reference_plant(plant), messages.append)
    return messages


# The C++ peers


def load_peers():
    """Compiles benchmarks/peers.cpp (once per source and flags) and loads it with ctypes."""
    flags = ["-std=c++20", "-O2", "-ffp-contract=off", "-shared", "-fPIC"]
    compiler = shlex.split(os.environ.get("CXX", "c++"))
    source = HERE / "peers.cpp"
    key = hashlib.sha256(source.read_bytes() + " ".join(compiler + flags).encode()).hexdigest()[:12]
    library = HERE / "build" / f"peers-{key}.so"
    if not library.exists():
        library.parent.mkdir(exist_ok=True)
        partial = library.with_suffix(".partial")
        subprocess.run([*compiler, *flags, "-o", str(partial), str(source)], check=True)
        partial.replace(library)
    lib = ctypes.CDLL(str(library))
    double_p, size_t = ctypes.POINTER(ctypes.c_double), ctypes.c_size_t
    lib.evaluation_ns.restype = ctypes.c_double
    lib.evaluation_ns.argtypes = [ctypes.c_double, double_p, size_t, double_p, size_t, ctypes.c_double,
                                  ctypes.c_double, ctypes.c_long, double_p]
    lib.report_writes_ns.restype = ctypes.c_double
    lib.report_writes_ns.argtypes = [ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(size_t), size_t, ctypes.c_long]
    return lib


def doubles(pairs):
    """A C array of the pairs' parts, real then imaginary."""
    return (ctypes.c_double * (2 * len(pairs) or 1))(*[x for pair in pairs for x in pair])


def cxx_evaluation(lib, plant, s):
    """A timer over the C++ evaluation loop, and the value it computes."""
    gain, zeros, poles = plant
    z, p, result = doubles(zeros), doubles(poles), (ctypes.c_double * 2)()

    def run(n):
        return lib.evaluation_ns(gain, z, len(zeros), p, len(poles), s[0], s[1], n, result)

    run(1)
    return run, (result[0], result[1])


def cxx_report_writes(lib, messages):
    """A timer over the same write(2) calls with the same bytes as a design's report."""
    encoded = [m.encode() for m in messages]
    texts = (ctypes.c_char_p * len(encoded))(*encoded)
    lengths = (ctypes.c_size_t * len(encoded))(*[len(m) for m in encoded])
    return lambda n: lib.report_writes_ns(texts, lengths, len(encoded), n)


# Measuring


def python_timer(stmt, **names):
    """A timer of `stmt` with `names` as local variables, net of the timing loop's own cost
    (an empty loop over the same count, timed right after). It reads the thread's CPU time, as
    the C++ peers do: on a shared machine, time spent descheduled would otherwise count."""
    setup = "; ".join(f"{name} = _names[{name!r}]" for name in names) or "pass"
    statement = timeit.Timer(stmt, setup, timer=time.thread_time, globals={"_names": names})
    empty = timeit.Timer("pass", setup, timer=time.thread_time, globals={"_names": names})

    def run(n):
        return (statement.timeit(n) - empty.timeit(n)) * 1e9 / n

    return run


def measure(ours, peer, rounds, seconds):
    """Median nanoseconds per operation of each side. A timer maps a count n to ns per operation
    over n operations; n is chosen so that one sample takes about `seconds`. The sides alternate
    within a round, and which goes first alternates between rounds, so that drift and load from
    the rest of the machine fall on both."""
    sides = (ours, peer)
    counts = [calibrated_count(side, seconds) for side in sides]
    samples = ([], [])
    for r in range(rounds):
        order = (0, 1) if r % 2 == 0 else (1, 0)
        for i in order:
            samples[i].append(sides[i](counts[i]))
    return statistics.median(samples[0]), statistics.median(samples[1])


def calibrated_count(timer, seconds):
    n = 1
    while True:
        start = time.perf_counter_ns()
        timer(n)
        elapsed = (time.perf_counter_ns() - start) / 1e9
        if elapsed >= seconds / 10:
            return max(1, int(n * seconds / elapsed))
        n *= 10


@contextlib.contextmanager
def stdout_to(path):
    """Points file descriptor 1 (where the designs write their reports) at `path`."""
    sys.stdout.flush()
    saved = os.dup(1)
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC)
    os.dup2(fd, 1)
    os.close(fd)
    try:
        yield
    finally:
        sys.stdout.flush()
        os.dup2(saved, 1)
        os.close(saved)


# The cases


def zpk_of(plant):
    gain, zeros, poles = plant
    return control.zpk([complex(*z) for z in zeros], [complex(*p) for p in poles], gain)


def builtin_evaluation(plant):
    """G(s) of the 3-pole, 1-zero plant as a user would write it with the built-in complex, in
    our order: the gain, the zero, then the poles."""
    gain, (zero,), (p1, p2, p3) = plant
    k, z, p1, p2, p3 = complex(gain), complex(*zero), complex(*p1), complex(*p2), complex(*p3)

    def evaluate(s):
        return (s - z) * k / (s - p1) / (s - p2) / (s - p3)

    return evaluate


def cases(lib):
    """(case, peer, target ratio, our timer, peer's timer) for every row of the table."""
    a, b = Complex(1.5, -0.5), Complex(0.25, 2.0)
    x, y = complex(1.5, -0.5), complex(0.25, 2.0)
    s, z = Complex(*TARGET), complex(*TARGET)
    small = native_plant(SMALL_PLANT)

    rows = [(f"Complex a {op} b", f"complex a {op} b", 1.25,
             python_timer(f"a {op} b", a=a, b=b), python_timer(f"a {op} b", a=x, b=y)) for op in "+-*/"]
    rows += [
        ("abs(Complex)", "abs(complex)", 1.25, python_timer("abs(a)", a=a), python_timer("abs(a)", a=x)),
        ("Complex(x, y)", "complex(x, y)", 1.25,
         python_timer("Complex(r, i)", Complex=Complex, r=1.5, i=-0.5),
         python_timer("complex(r, i)", complex=complex, r=1.5, i=-0.5)),
        ("System.eval, 3 poles 1 zero", "built-in complex, Python", 0.5,
         python_timer("plant.eval(s)", plant=small, s=s),
         python_timer("evaluate(s)", evaluate=builtin_evaluation(SMALL_PLANT), s=z)),
        ("System.eval, 1,000 poles", "same loop in C++", 1.3,
         python_timer("plant.eval(s)", plant=native_plant(LONG_PLANT), s=s),
         cxx_evaluation(lib, LONG_PLANT, TARGET)[0]),
        ("System.eval, 3 poles 1 zero", "control.zpk(z, p, k)(s)", 0.01,
         python_timer("plant.eval(s)", plant=small, s=s),
         python_timer("G(s)", G=zpk_of(SMALL_PLANT), s=z)),
        ("System.zeros, 1,000 elements", "[complex(r, i) for ...]", 1.5,
         python_timer("plant.zeros", plant=native_plant((1.0, THOUSAND_ZEROS, []))),
         python_timer("[complex(r, i) for r, i in pairs]", pairs=THOUSAND_ZEROS)),
    ]
    for method, (plant, _, design) in DESIGNS.items():
        design_call, spec = native_design(method)
        rows.append((method, "pure Python, same report", 0.3, python_timer("design(spec)", design=design_call, spec=spec),
                     python_timer("design(plant, write)", design=design, plant=reference_plant(plant),
                                  write=write_message)))
    for method in DESIGNS:
        design_call, spec = native_design(method)
        rows.append((method, "its write(2) calls from C", 1.2, python_timer("design(spec)", design=design_call, spec=spec),
                     cxx_report_writes(lib, reference_messages(method))))
    return rows


def duration(ns):
    return f"{ns:,.1f} ns" if ns < 10_000 else f"{ns / 1000:,.1f} us"


def print_table(results):
    header = f"{'case':<30} {'peer':<28} {'ours':>11} {'peer':>11} {'ratio':>8} {'target':>8}  met"
    print(header)
    print("-" * len(header))
    for name, peer, target, ours_ns, peer_ns in results:
        ratio = ours_ns / peer_ns
        print(f"{name:<30} {peer:<28} {duration(ours_ns):>11} {duration(peer_ns):>11} {ratio:>8.3f} "
              f"{'<= ' + format(target, 'g'):>8}  {'yes' if ratio <= target else 'NO'}")
    met = sum(ours / peer <= target for _, _, target, ours, peer in results)
    print(f"\n{met} of {len(results)} targets met.")


# Checks and the other figures


def bits(x):
    return struct.pack("<d", x)


def verdict(ok, yes="yes", no="NO"):
    return yes if ok else no


def check_lines(lib):
    """That each peer computes what we compute."""
    ours = native_plant(LONG_PLANT).eval(Complex(*TARGET))
    theirs = cxx_evaluation(lib, LONG_PLANT, TARGET)[1]
    same = bits(ours.real) == bits(theirs[0]) and bits(ours.imag) == bits(theirs[1])
    lines = [f"1,000-pole loop in C++ gives System.eval's bits: {verdict(same)} ({ours.real!r}, {ours.imag!r})"]

    ours = native_plant(SMALL_PLANT).eval(Complex(*TARGET))
    theirs = complex(zpk_of(SMALL_PLANT)(complex(*TARGET)))
    close = abs(complex(ours.real, ours.imag) - theirs) <= 1e-12 * abs(theirs)
    lines.append(f"python-control's G(s) agrees with System.eval: {verdict(close)} ({theirs})")

    # The floor replays the pure-Python design's messages: they must be our report, byte for byte.
    for method in DESIGNS:
        design_call, spec = native_design(method)
        with tempfile.TemporaryDirectory() as tmp:
            captured = pathlib.Path(tmp, "report")
            with stdout_to(captured):
                design_call(spec)
            same = captured.read_text() == "".join(reference_messages(method))
        lines.append(f"{method} report equals the messages replayed by the floor: {verdict(same)}")
    return lines


def complex_size():
    size = sys.getsizeof(Complex(1.0, 2.0))
    header, double, pointer = object.__basicsize__, struct.calcsize("d"), struct.calcsize("P")
    expected = header + 2 * double + pointer
    return (f"bytes per Complex: {size} (header {header} + two doubles {2 * double} + borrow state {pointer} "
            f"= {expected}): {verdict(size == expected)}")


def resident_bytes():
    try:
        with open("/proc/self/statm") as statm:
            return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")
    except OSError:
        return None


def growth(action, count):
    """Allocated blocks and RSS bytes gained over `count` runs of `action`, after a warm-up."""
    for _ in range(max(1, count // 100)):
        action()
    gc.collect()
    blocks, rss = sys.getallocatedblocks(), resident_bytes()
    for _ in range(count):
        action()
    gc.collect()
    return sys.getallocatedblocks() - blocks, None if rss is None else resident_bytes() - rss


def memory_lines(evaluations, designs):
    """Flat means under one block gained per thousand calls and under 1 MiB of RSS; a leak of one
    object per call would gain a block per call."""
    plant, s = native_plant(SMALL_PLANT), Complex(*TARGET)
    (pd, pd_spec), (lead_lag, lead_lag_spec) = (native_design(method) for method in DESIGNS)

    def both_designs():
        pd(pd_spec)
        lead_lag(lead_lag_spec)

    lines = []
    for what, action, count, calls in [
        (f"{evaluations:,} evaluations", lambda: plant.eval(s), evaluations, evaluations),
        (f"{designs:,} designs (half of each kind)", both_designs, designs // 2, designs),
    ]:
        with stdout_to(os.devnull):
            blocks, rss = growth(action, count)
        flat = blocks < calls / 1000 and (rss is None or rss < 1 << 20)
        rss_text = "n/a" if rss is None else f"{rss / 1024:+,.0f} KiB"
        lines.append(f"memory over {what}: blocks {blocks:+,}, RSS {rss_text}: {verdict(flat, 'flat', 'GROWS')}")
    return lines


WRITE_CALL = re.compile(r'write\((\d+), "((?:\\x[0-9a-f]{2})*)"(\.\.\.)?, \d+\) = -?\d+')


def traced_report_writes(method):
    """The payloads of the write(2) calls to fd 1 in a child process that runs one design, or
    None without strace.

    The child's fd 1 is /dev/null and nothing else in it writes there, so every such call is the
    design's. -xx prints every byte as \\xNN, so a payload never contains a quote and parses
    exactly, and one log gives both the count and the bytes."""
    strace = shutil.which("strace")
    if strace is None:
        return None
    with tempfile.TemporaryDirectory() as tmp:
        log = pathlib.Path(tmp, "trace")
        subprocess.run([strace, "--seccomp-bpf", "-f", "-qq", "-e", "trace=write", "-e", "signal=none", "-xx",
                        "-s", str(1 << 20), "-o", str(log), sys.executable, str(pathlib.Path(__file__).resolve()),
                        "--design-once", method], stdout=subprocess.DEVNULL, check=True)
        return [None if truncated else bytes.fromhex(text.replace("\\x", ""))
                for fd, text, truncated in WRITE_CALL.findall(log.read_text()) if fd == "1"]


def write_count_lines():
    lines = []
    for method in DESIGNS:
        payloads = traced_report_writes(method)
        if payloads is None:
            return ["write(2) calls per design: strace not found, not counted"]
        messages = [m.encode() for m in reference_messages(method)]
        same = verdict(payloads == messages, "one per message, same bytes", "DIFFERENT from the messages")
        lines.append(f"write(2) calls per {method}: {len(payloads)} for {len(messages)} messages: {same}")
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--quick", action="store_true", help="fewer and shorter rounds, smaller memory loops")
    parser.add_argument("-k", metavar="TEXT", help="only the cases whose name or peer contains TEXT")
    parser.add_argument("--design-once", choices=list(DESIGNS), help=argparse.SUPPRESS)  # the traced child
    args = parser.parse_args()
    if args.design_once:
        design_call, spec = native_design(args.design_once)
        design_call(spec)
        return

    rounds, seconds = (9, 0.005) if args.quick else (41, 0.01)
    lib = load_peers()
    selected = [c for c in cases(lib) if not args.k or args.k in c[0] or args.k in c[1]]
    results = []
    # The designs report to /dev/null while measured; the table is printed afterwards.
    with stdout_to(os.devnull):
        for name, peer, target, ours, theirs in selected:
            if sys.stderr.isatty():
                print(f"measuring {name} against {peer}", file=sys.stderr)
            results.append((name, peer, target, *measure(ours, theirs, rounds, seconds)))
    print(f"plantwright against its peers: medians of {rounds} alternating rounds of ~{seconds * 1000:g} ms per side; "
          f"Python {sys.version.split()[0]}, python-control {control.__version__}\n")
    print_table(results)
    print()
    evaluations, designs = (10**5, 10**4) if args.quick else (10**6, 10**5)
    for line in [complex_size(), *memory_lines(evaluations, designs), *write_count_lines(), *check_lines(lib)]:
        print(line)


if __name__ == "__main__":
    main()
