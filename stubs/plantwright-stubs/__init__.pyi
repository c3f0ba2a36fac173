"""A Python module with a native implementation."""

from collections.abc import Sequence
from typing import Self, SupportsFloat, SupportsIndex, TypeAlias, final

__all__ = ["System", "Complex", "ControllerSpec"]

# Parameters and assigned values of kind float go through the interpreter's float conversion, so
# ints, NumPy scalars and anything with __float__ or __index__ are accepted; reads give a float.
_Real: TypeAlias = SupportsFloat | SupportsIndex

@final
class System:
    def __new__(cls, gain: _Real, zeros: Sequence[Complex], poles: Sequence[Complex]) -> Self: ...
    def add_zero(self, zero: Complex) -> None: ...
    def add_pole(self, pole: Complex) -> None: ...
    def add_free_integrator(self) -> None: ...
    def eval(self, s: Complex) -> Complex:
        """Evaluate the transfer function at a given `s`."""

    def magnitude(self, s: Complex) -> float:
        """Compute the transfer function magnitude at a given `s`."""

    def phase(self, s: Complex) -> float:
        """Compute the transfer function phase at a given `s`.

        Note that this returns a phase in *degrees*."""

    def compose(self, other: System) -> System:
        """Compose two systems into a new system."""

    def pd_control(self, spec: ControllerSpec) -> System:
        """Design a PD controller for this system, given a specification."""

    def lead_lag_control(self, spec: ControllerSpec) -> System:
        """Design a lead/lag controller for this system, given a specification."""

    @property
    def gain(self) -> float:
        """Gain multiplier."""

    @gain.setter
    def gain(self, value: _Real) -> None: ...
    # Every read builds a new list of new Complex instances; any sequence of Complex is accepted.
    @property
    def zeros(self) -> list[Complex]:
        """Open-loop zeros."""

    @zeros.setter
    def zeros(self, value: Sequence[Complex]) -> None: ...
    @property
    def poles(self) -> list[Complex]:
        """Open-loop poles."""

    @poles.setter
    def poles(self, value: Sequence[Complex]) -> None: ...
    @property
    def system_type(self) -> int:
        """Evaluate system type."""

    @property
    def system_constant(self) -> float:
        """Evaluate system constant."""

# Arithmetic is defined between two Complex values only: a float, an int or a built-in complex on
# either side is refused at run time, so the operators accept nothing else here either.
@final
class Complex:
    def __new__(cls, real: _Real, imag: _Real) -> Self: ...
    @staticmethod
    def zero() -> Complex: ...
    def is_zero(self) -> bool: ...
    def arg(self) -> float:
        """Argument of this complex number in *degrees*."""

    @property
    def real(self) -> float: ...
    @property
    def imag(self) -> float: ...
    def __add__(self, other: Complex, /) -> Complex: ...
    def __sub__(self, other: Complex, /) -> Complex: ...
    def __mul__(self, other: Complex, /) -> Complex: ...
    def __truediv__(self, other: Complex, /) -> Complex: ...
    # The reflected forms come from the same slots: `a.__radd__(b)` is `b + a`.
    def __radd__(self, other: Complex, /) -> Complex: ...
    def __rsub__(self, other: Complex, /) -> Complex: ...
    def __rmul__(self, other: Complex, /) -> Complex: ...
    def __rtruediv__(self, other: Complex, /) -> Complex: ...
    def __abs__(self) -> float: ...
    def __str__(self) -> str: ...
    def __repr__(self) -> str: ...

@final
class ControllerSpec:
    """Controller design specification."""

    def __new__(cls, target: Complex) -> Self: ...
    @property
    def system_type(self) -> int | None:
        """Desired system type."""

    @system_type.setter
    def system_type(self, value: SupportsIndex | None) -> None: ...
    @property
    def tracking_error(self) -> float | None:
        """Desired tracking error (based on system type)."""

    @tracking_error.setter
    def tracking_error(self, value: _Real | None) -> None: ...
    @property
    def target(self) -> Complex:
        """Target pole."""

    @target.setter
    def target(self, value: Complex) -> None: ...
    @property
    def pz_ratio(self) -> float:
        """Pole/zero ratio in lead controller design."""

    @pz_ratio.setter
    def pz_ratio(self, value: _Real) -> None: ...
    @property
    def zt_ratio(self) -> float:
        """Zero/target ratio in lag controller design."""

    @zt_ratio.setter
    def zt_ratio(self, value: _Real) -> None: ...
    @property
    def balanced(self) -> bool:
        """Must this controller have a matched number of poles and zeros?"""

    @balanced.setter
    def balanced(self, value: bool) -> None: ...
    @property
    def system_constant(self) -> float | None:
        """Get the target system constant."""
