"""Import-level facts: the module object, its registration, its exported symbols, and the
refusal of sub-interpreters."""

import shutil
import subprocess
import sys
import textwrap

import plantwright


def test_module_holds_only_the_classes_and_all():
    public = {name for name in dir(plantwright) if not name.startswith("__")}
    assert public == set(plantwright.__all__)
    assert plantwright.__all__ == [name for name in ("System", "Complex", "ControllerSpec") if hasattr(plantwright, name)]
    assert plantwright.__doc__
    assert plantwright.__name__ == "plantwright"


def test_reimport_returns_the_same_module_object():
    first = sys.modules.pop("plantwright")
    try:
        import plantwright as again

        assert again is first
        assert again.Complex is first.Complex
    finally:
        sys.modules["plantwright"] = first


def test_classes_are_builtins_heap_types():
    for name in plantwright.__all__:
        cls = getattr(plantwright, name)
        assert cls.__module__ == "builtins"
        assert cls.__name__ == cls.__qualname__ == name
        assert repr(cls) == f"<class 'builtins.{name}'>"
        assert cls.__bases__ == (object,)
        assert "__dict__" not in dir(cls) and "__weakref__" not in dir(cls)


def test_only_the_init_function_is_exported():
    nm = shutil.which("nm")
    assert nm, "nm (binutils) is needed to inspect the built module"
    out = subprocess.run([nm, "-D", "--defined-only", plantwright.__file__], capture_output=True, text=True, check=True)
    symbols = [line.split()[-1] for line in out.stdout.splitlines() if line.strip()]
    assert symbols == ["PyInit_plantwright"]


SUBINTERPRETER_SCRIPT = textwrap.dedent(
    """
    import plantwright
    try:
        import _interpreters as I
        interp = I.create(I.new_config("legacy"))
    except ImportError:
        import _xxsubinterpreters as I
        interp = I.create(isolated=False)
    try:
        failure = I.run_string(interp, "import plantwright")
    except Exception as error:  # 3.12 raises where 3.13 returns the failure
        failure = error
    print(failure)
    """
)


def test_a_second_interpreter_is_refused_with_import_error():
    out = subprocess.run([sys.executable, "-c", SUBINTERPRETER_SCRIPT], capture_output=True, text=True, timeout=60)
    assert out.returncode == 0, out.stderr
    assert "ImportError" in out.stdout
    assert "plantwright does not support sub-interpreters" in out.stdout
