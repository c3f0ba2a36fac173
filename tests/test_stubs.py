"""The type stubs (stubs/plantwright-stubs): they describe exactly the module's classes and members,
they are installed with the module, and mypy --strict accepts typed use and the examples while
rejecting misuse that fails at run time."""

import ast
import inspect
import re
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest

import plantwright
from plantwright import Complex, ControllerSpec, System

ROOT = Path(__file__).resolve().parent.parent
STUB = ROOT / "stubs" / "plantwright-stubs" / "__init__.pyi"


def installed_stub():
    for entry in sys.path:
        candidate = Path(entry or ".") / "plantwright-stubs" / "__init__.pyi"
        if candidate.is_file():
            return candidate
    return None


def stub_tree():
    return ast.parse(STUB.read_text(), filename=str(STUB))


def stub_classes():
    return {node.name: node for node in stub_tree().body if isinstance(node, ast.ClassDef)}


def stub_members(cls_node):
    """name -> (kind, parameter names, docstring, has setter) from the class body of the stub."""
    members = {}
    for node in cls_node.body:
        if not isinstance(node, ast.FunctionDef):
            continue
        decorators = [ast.unparse(d) for d in node.decorator_list]
        params = [a.arg for a in node.args.posonlyargs + node.args.args]
        if f"{node.name}.setter" in decorators:
            kind, params_, doc, _ = members[node.name]
            members[node.name] = (kind, params_, doc, True)
            continue
        if "property" in decorators:
            kind, params = "property", []
        elif "staticmethod" in decorators:
            kind = "staticmethod"
        else:
            kind = "method"
            params = params[1:]  # self or cls
        members[node.name] = (kind, params, ast.get_docstring(node), False)
    return members


SAMPLES = {
    "System": lambda: System(2.0, [Complex(-1, 0)], [Complex(0, 0), Complex(-3, 0)]),
    "Complex": lambda: Complex(3, 4),
    "ControllerSpec": lambda: ControllerSpec(Complex(-2, 2)),
}


def runtime_members(cls):
    """name -> (kind, parameter names, docstring, has setter) as the module defines them.

    Whether a property can be set is found by assigning the value it holds back to it."""
    sample = SAMPLES[cls.__name__]()
    members = {}
    for name, member in vars(cls).items():
        if name in ("__doc__", "__module__"):
            continue
        if name == "__new__":
            members[name] = ("method", list(inspect.signature(cls).parameters), None, False)
            continue
        kind = type(member).__name__
        if kind == "getset_descriptor":
            try:
                setattr(sample, name, getattr(sample, name))
                settable = True
            except AttributeError:
                settable = False
            members[name] = ("property", [], member.__doc__ or None, settable)
        elif kind == "staticmethod":
            function = getattr(cls, name)
            members[name] = ("staticmethod", list(inspect.signature(function).parameters), function.__doc__ or None, False)
        elif kind == "method_descriptor":
            params = list(inspect.signature(member).parameters)[1:]
            members[name] = ("method", params, member.__doc__ or None, False)
        elif kind == "wrapper_descriptor":  # a type slot: the interpreter writes its docstring
            params = list(inspect.signature(member).parameters)[1:]
            members[name] = ("slot", params, None, False)
        else:
            raise AssertionError(f"{cls.__name__}.{name}: unexpected kind {kind}")
    return members


def test_stub_declares_the_module_classes_and_all():
    tree = stub_tree()
    assert ast.get_docstring(tree) == plantwright.__doc__
    declared_all = next(ast.literal_eval(node.value) for node in tree.body
                        if isinstance(node, ast.Assign) and ast.unparse(node.targets[0]) == "__all__")
    assert declared_all == plantwright.__all__
    assert set(stub_classes()) == set(plantwright.__all__)


@pytest.mark.parametrize("name", plantwright.__all__)
def test_stub_lists_each_member_with_its_kind_parameters_and_docstring(name):
    cls = getattr(plantwright, name)
    node = stub_classes()[name]
    assert ast.get_docstring(node) == (cls.__doc__ or None)
    assert [ast.unparse(d) for d in node.decorator_list] == ["final"]  # the classes cannot be subclassed
    stub = stub_members(node)
    runtime = runtime_members(cls)
    assert sorted(stub) == sorted(runtime)
    for member, (kind, params, doc, settable) in runtime.items():
        stub_kind, stub_params, stub_doc, stub_settable = stub[member]
        if kind == "slot":  # dunder slots: positional operands whose names are the stub's own
            assert (stub_kind, len(stub_params)) == ("method", len(params)), member
            continue
        assert (stub_kind, stub_params, stub_settable) == (kind, params, settable), member
        assert stub_doc == doc, member


def test_stubtest_finds_the_stub_consistent_with_the_module(tmp_path):
    pytest.importorskip("mypy")
    done = subprocess.run([sys.executable, "-m", "mypy.stubtest", "plantwright"], capture_output=True, text=True,
                          timeout=600, cwd=tmp_path)
    assert done.returncode == 0, done.stdout + done.stderr


def test_the_installed_stub_is_the_source_stub():
    installed = installed_stub()
    assert installed is not None, "plantwright-stubs is not installed beside the module"
    assert installed.read_bytes() == STUB.read_bytes()


TYPED_USE = """\
from collections.abc import Sequence
from typing import assert_type

from plantwright import Complex, ControllerSpec, System

def poles_of(zeta: float, wn: float) -> Sequence[Complex]:
    s = Complex(-zeta * wn, wn * (1 - zeta * zeta) ** 0.5)
    return (s, Complex(s.real, -s.imag))

plant = System(4, [], poles_of(0.2, 2.0))
plant.zeros = (Complex(-3, 0),)
plant.add_free_integrator()
assert_type(plant.zeros, list[Complex])
assert_type(plant.gain, float)
assert_type(plant.system_type, int)
assert_type(plant.eval(Complex.zero()), Complex)
assert_type(plant.phase(Complex(-1, 1)), float)

spec = ControllerSpec(Complex(-2, 2))
assert_type(spec.system_type, int | None)
assert_type(spec.tracking_error, float | None)
assert_type(spec.system_constant, float | None)
spec.system_type, spec.tracking_error = 1, 0.05
spec.system_type = None
spec.balanced = True
constant = spec.system_constant
if constant is not None:
    assert_type(constant + 1.0, float)

controller: System = plant.lead_lag_control(spec)
loop = plant.compose(controller)
total = Complex(1, 2) * Complex(3, 4) / Complex(1, 0) - Complex.zero() + Complex(0, 1)
assert_type(total, Complex)
assert_type(abs(total), float)
assert_type(total.is_zero(), bool)
assert_type(str(total), str)
"""

# Each line is an error at run time too; mypy must refuse it with the given code.
MISUSE = {
    "Complex(1, 2) + 1.0": "operator",
    "2.0 * Complex(1, 2)": "operator",
    "Complex(1, 2) + 1j": "operator",
    'Complex("1", 0)': "arg-type",
    'System(1.0, "ab", [])': "arg-type",
    "System(1.0, [1.0], [])": "list-item",
    "System(1.0, [], []).zeros = [0j]": "list-item",
    "System(1.0, [], []).system_constant = 1.0": "misc",
    "ControllerSpec(Complex(-1, 1)).system_constant = 2.0": "misc",
    "ControllerSpec(Complex(-1, 1)).system_type = 1.5": "assignment",
    "ControllerSpec(Complex(-1, 1)).target = -1 + 1j": "assignment",
    "ControllerSpec(-1 + 1j)": "arg-type",
    "Complex(3, 4).real = 1.0": "misc",
    "System(1.0, [], []).pd_control(Complex(-1, 1))": "arg-type",
    "System(1.0, [], []).compose([])": "arg-type",
    "int(ControllerSpec(Complex(-1, 1)).system_type)": "arg-type",
    "class Mine(System): pass": "misc",
}


@pytest.fixture(scope="module")
def mypy_run(tmp_path_factory):
    """One strict mypy run over the examples, the typed use above and the misuse lines."""
    pytest.importorskip("mypy")
    where = tmp_path_factory.mktemp("mypy")
    (where / "typed_use.py").write_text(TYPED_USE)
    misuse = "from plantwright import Complex, ControllerSpec, System\n" + "".join(line + "\n" for line in MISUSE)
    (where / "misuse.py").write_text(misuse)
    done = subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--no-error-summary", "--show-error-codes",
         "--cache-dir", str(where / "cache"), str(ROOT / "examples"), str(where / "typed_use.py"),
         str(where / "misuse.py")],
        capture_output=True, text=True, timeout=600, cwd=where)
    assert done.stderr == "", done.stderr
    errors = re.findall(r"^(.+?):(\d+): error: .*\[([\w-]+)\]$", done.stdout, re.M)
    return done, [(Path(path).name, int(line), code) for path, line, code in errors]


def test_mypy_strict_accepts_the_examples_and_typed_use(mypy_run):
    done, errors = mypy_run
    assert [e for e in errors if e[0] != "misuse.py"] == [], done.stdout


def test_mypy_strict_rejects_each_misuse(mypy_run):
    done, errors = mypy_run
    found = {(line, code) for path, line, code in errors if path == "misuse.py"}
    for number, (source, code) in enumerate(MISUSE.items(), start=2):
        assert (number, code) in found, f"not refused as [{code}]: {source}\n{done.stdout}"
    assert {line for line, _ in found} == set(range(2, 2 + len(MISUSE)))


@pytest.mark.parametrize("source", list(MISUSE))
def test_each_misuse_fails_at_run_time_too(source):
    """The stub refuses nothing that the module accepts: every misuse line raises when run."""
    namespace = {"Complex": Complex, "ControllerSpec": ControllerSpec, "System": System}
    with pytest.raises((TypeError, AttributeError, OverflowError)):
        exec(textwrap.dedent(source), namespace)
