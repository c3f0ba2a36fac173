"""A first look at plantwright's Complex numbers."""

from plantwright import Complex

a = Complex(1, 2)
b = Complex(3, 4)
print("a       =", a)
print("b       =", b)
print("a * b   =", a * b)
print("a / b   =", a / b)
print("|b|     =", abs(b))
print("arg(b)  =", b.arg(), "degrees")
print("a / 0   =", a / Complex.zero())
