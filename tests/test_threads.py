"""Several threads designing and evaluating on the same System and ControllerSpec objects at once:
every report reaches fd 1 whole and uninterleaved, and every result is bit for bit the
single-threaded one."""

import collections
import random
import sys
import threading

import pytest

from conftest import bits
from design_cases import CASES, build

BANNER = "Plantwright\n===========\n\n"
THREADS = 8
OPERATIONS = 150
BORROW_ERRORS = {"Already borrowed", "Already mutably borrowed"}


def pair(c):
    return (bits(c.real), bits(c.imag))


def system_bits(system):
    return (bits(system.gain), [pair(z) for z in system.zeros], [pair(p) for p in system.poles])


def design(name, plant, spec):
    return (plant.pd_control if name.startswith("pd") else plant.lead_lag_control)(spec)


def evaluate(plant, spec, target):
    """The reading members of the three classes, as bits."""
    s = spec.target
    return (pair(plant.eval(s)), bits(plant.magnitude(s)), bits(plant.phase(s)), plant.system_type,
            bits(plant.system_constant), system_bits(plant), system_bits(plant.compose(plant)),
            spec.system_type, spec.tracking_error, bits(spec.pz_ratio), bits(spec.zt_ratio), spec.balanced,
            spec.system_constant, pair(target * target), pair(target / s), pair(target + s), pair(target - s),
            bits(abs(target)), bits(target.arg()), target.is_zero(), str(target))


@pytest.fixture
def fast_switching():
    """Hands the interpreter lock from thread to thread as often as the interpreter allows, so that
    a member that let go of it midway would be overtaken by the other threads."""
    interval = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)
    yield
    sys.setswitchinterval(interval)


def single_threaded(capfd):
    """Per case: the report, the controller's bits and the evaluations' bits, from fresh objects."""
    expected = {}
    for name in CASES:
        plant, spec = build(name)
        controller = design(name, plant, spec)
        report = capfd.readouterr().out
        expected[name] = (report, system_bits(controller), evaluate(plant, spec, spec.target))
    return expected


def split_reports(out):
    """The captured text as the list of reports it is made of; it must start with one."""
    assert out.startswith(BANNER) or out == ""
    return [BANNER + part for part in out.split(BANNER)[1:]]


def run_threads(work, count):
    errors = []
    start = threading.Barrier(count)

    def body(index):
        try:
            start.wait()
            work(index)
        except BaseException as error:  # a thread's failure must fail the test, not vanish
            errors.append(error)

    threads = [threading.Thread(target=body, args=(i,)) for i in range(count)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert errors == []


@pytest.mark.parametrize("with_writer", [False, True], ids=["readers", "readers-and-a-writer"])
def test_shared_objects_give_whole_reports_and_single_threaded_results(capfd, fast_switching, with_writer):
    expected = single_threaded(capfd)
    # One plant, one specification and one complex value per case, shared by every thread.
    shared = {name: build(name) for name in CASES}
    targets = {name: spec.target for name, (plant, spec) in shared.items()}
    names = sorted(CASES)
    done = [[] for _ in range(THREADS)]
    order = []  # which thread finished each operation, to see that they really ran side by side
    stop = threading.Event()

    def reader(index):
        rng = random.Random(index)
        for _ in range(OPERATIONS):
            name = rng.choice(names)
            plant, spec = shared[name]
            kind = rng.choice(["design", "evaluate"])
            try:
                result = (system_bits(design(name, plant, spec)) if kind == "design"
                          else evaluate(plant, spec, targets[name]))
            except RuntimeError as error:
                # Only a writer holding a value at that moment may refuse a borrow.
                assert with_writer and str(error) in BORROW_ERRORS, error
                continue
            done[index].append((name, kind, result))
            order.append(index)

    def writer():
        # Replaces fields with their own values: whatever a reader sees must stay the same, and a
        # borrow held across a release of the interpreter lock would show as a refused borrow or,
        # under the sanitizer, as a read of freed storage.
        values = {name: (plant.gain, plant.zeros, plant.poles, spec.target, spec.pz_ratio, spec.system_type)
                  for name, (plant, spec) in shared.items()}
        while not stop.is_set():
            for name, (plant, spec) in shared.items():
                gain, zeros, poles, target, pz_ratio, system_type = values[name]
                try:
                    plant.gain, plant.zeros, plant.poles = gain, zeros, poles
                    spec.target, spec.pz_ratio, spec.system_type = target, pz_ratio, system_type
                except RuntimeError as error:
                    assert str(error) in BORROW_ERRORS, error

    writing = threading.Thread(target=writer)
    if with_writer:
        writing.start()
    try:
        run_threads(reader, THREADS)
    finally:
        stop.set()
        if with_writer:
            writing.join()

    designs = collections.Counter()
    for results in done:
        for name, kind, result in results:
            report, controller, evaluations = expected[name]
            if kind == "design":
                designs[name] += 1
                assert result == controller, name
            else:
                assert result == evaluations, name
    assert sum(len(results) for results in done) > THREADS * OPERATIONS // 2
    assert sum(a != b for a, b in zip(order, order[1:])) > THREADS * 10, "the threads ran one after another"
    # Each design's report is one contiguous block equal to the single-threaded report of its case.
    by_text = {report: name for name, (report, _, _) in expected.items()}
    assert len(by_text) == len(expected)
    reports = split_reports(capfd.readouterr().out)
    assert all(report in by_text for report in reports), "a report was interleaved with another"
    assert collections.Counter(by_text[report] for report in reports) == designs
