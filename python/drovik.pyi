"""Quantities with units: conversion, arithmetic, comparison and text."""
from typing import Any, Final, SupportsIndex, TypeAlias, final

__all__: Final = ["Drovik"]

# What every `other` argument accepts: a quantity, a float, an int that fits
# 32 bits (bool included) or a unit expression such as "km/hr".
_UnitCoercible: TypeAlias = Drovik | float | int | str
# A saved quantity, as __reduce__ writes it and _restore reads it: (value,
# unit) today, (state,) from the first version.
_State: TypeAlias = tuple[Any, ...]

@final
class Drovik:
    """A double value with a unit. Immutable; made only by the class methods
    (unit, constant, empty, custom) and by operations on other quantities.

    >>> Drovik.unit("km/hr").as_unit("m/s")
    0.2777777777777778 [m/s]
    """

    @classmethod
    def unit(cls, unit_name_or_symbol: str) -> Drovik:
        """1 of the unit that a unit expression names.

        The expression is unit words ("km", "metre", "deg C") joined by "."
        with an optional exponent digit each, and at most one "/":
        "W/m2.K4". Pieces that name no unit are dropped without an error;
        check str(q) to see what was understood.

        Raises LookupError "Unit {text} not found" when no piece names a unit,
        TypeError when the argument is not a str.

        >>> Drovik.unit("km/hr")
        1 [km/hr]
        """
    @classmethod
    def constant(cls, constant_name: str) -> Drovik:
        """A physical constant in its unit, by name or alias
        ("speed of light", "c", "earth gravity").

        Raises LookupError "Constant {name} not found" for an unknown name.

        >>> Drovik.constant("speed of light")
        299792458 [m/s]
        """
    @classmethod
    def empty(cls) -> Drovik:
        """The unitless quantity 1.

        >>> Drovik.empty() * 3
        3 []
        """
    @classmethod
    def custom(cls, name: str, abbr: str, definition: _UnitCoercible) -> Drovik:
        """1 of a new unit named `name` with symbol `abbr`, worth
        `definition` (a quantity, a number or a unit expression). The new unit
        has the definition's dimensions and its value in base units as scale;
        an offset in the definition is not carried over.

        Raises TypeError for a non-str name or abbr, and the errors of
        coercing `definition` (TypeError, LookupError, OverflowError).

        >>> furlong = Drovik.custom("furlong", "fur", Drovik.unit("m") * 201.168)
        >>> (furlong * 8).as_unit("mi")
        1 [mi]
        """
    def as_unit(self, other: _UnitCoercible) -> Drovik:
        """This quantity in the unit of `other` (its value plays no part).
        Temperatures convert with their offsets when both sides are a single
        unit ("°C" to "K" or "°F").

        Raises TypeError "{unit} and {unit} are not compatible" when the
        dimensions differ, and the errors of coercing `other`.

        >>> (Drovik.unit("°C") * 100).as_unit("K")
        373.15 [K]
        """
    def as_number(self, other: _UnitCoercible | None = None, scale: bool = False) -> float:
        """The value as a float: as it stands without `other`, else converted
        into the unit of `other`; with scale=True also divided by the value
        of `other`.

        Raises TypeError for incompatible dimensions or a non-bool scale.

        >>> Drovik.unit("km").as_number("m")
        1000.0
        >>> Drovik.unit("km").as_number(Drovik.unit("m") * 500, scale=True)
        2.0
        """
    def as_unitless(self) -> float:
        """The value of a dimensionless quantity with its scale applied.

        Raises TypeError when the quantity has a dimension.

        >>> (Drovik.unit("m") / Drovik.unit("km")).as_unitless()
        0.001
        """
    def as_base_units(self) -> Drovik:
        """This quantity in the eight base units (USD, A, cd, K, kg, m, mol,
        s); no offset is applied.

        >>> Drovik.unit("kPa").as_base_units()
        1000 [kg/m.s2]
        """
    def round_sfig(self, n_sig_figs: SupportsIndex) -> Drovik:
        """Rounded to `n_sig_figs` significant figures, ties away from zero.
        A zero value gives NaN. While it runs, other calls on the same
        quantity from other threads fail with RuntimeError.

        Raises TypeError for a non-integer, OverflowError beyond 32 bits,
        RuntimeError "Already borrowed" while another thread uses the quantity.

        >>> (Drovik.unit("m") * 12345).round_sfig(2)
        12000 [m]
        """
    def __div__(self, other: _UnitCoercible) -> Drovik:
        """self / other, as a method.

        >>> Drovik.unit("m").__div__("s")
        1 [m/s]
        """
    def __rdiv__(self, other: _UnitCoercible) -> Drovik:
        """other / self, as a method.

        >>> Drovik.unit("s").__rdiv__(1)
        1 [1/s]
        """
    def __round__(self, ndigits: SupportsIndex | None = None) -> Drovik:
        """round(q) and round(q, n): the value rounded to n decimal places
        (none: to an integer), ties away from zero; the unit is kept.

        >>> round(Drovik.unit("m") * 2.5)
        3 [m]
        """
    def __exp__(self) -> float:
        """Same as exp()."""
    def exp(self) -> float:
        """e to the power of a dimensionless quantity, as a float.

        Raises TypeError when the quantity has a dimension.

        >>> (Drovik.empty() * 0).exp()
        1.0
        """
    def __log__(self) -> float:
        """Same as log()."""
    def log(self) -> float:
        """Natural logarithm of a dimensionless quantity, as a float; log of
        0 is -inf and of a negative value NaN.

        Raises TypeError when the quantity has a dimension.

        >>> (Drovik.empty() * 1).log()
        0.0
        """
    def __log10__(self) -> float:
        """Same as log10()."""
    def log10(self) -> float:
        """Base-10 logarithm of a dimensionless quantity, as a float.

        Raises TypeError when the quantity has a dimension.

        >>> (Drovik.empty() * 1000).log10()
        3.0
        """
    def descriptive(self) -> str:
        """The text form with unit names instead of symbols.

        >>> Drovik.unit("km/hr").descriptive()
        '1 [kilometer/hour]'
        """
    def __reduce__(self) -> tuple[Any, _State]:
        """Pickle support: the quantity's state, every double bit for bit."""
    @staticmethod
    def _restore(*state: Any) -> Drovik:
        """The quantity a pickled state describes; TypeError or ValueError for
        a malformed state."""
    def __copy__(self) -> Drovik:
        """The quantity itself: quantities never change."""
    def __deepcopy__(self, memo: Any, /) -> Drovik:
        """The quantity itself: quantities never change."""
    def __array_ufunc__(self, ufunc: Any, method: str, /, *inputs: Any, **kwargs: Any) -> Any:
        """numpy's ufuncs with a quantity among their inputs (ndarray * q) give
        a DrovikArray in the unit the operation gives, or raise TypeError
        where the unit would be lost."""
    def __array_function__(
        self, func: Any, types: Any, args: Any, kwargs: Any, /
    ) -> Any:
        """numpy's functions given quantities (numpy.linspace(q1, q2, 5)) take
        them as arrays of shape (); functions that would drop the unit raise
        TypeError."""
    def __format__(self, format_spec: str, /) -> str:
        """format(q, spec): "" gives str(q); any other spec formats the value
        as a float does, followed by the unit.

        >>> f"{Drovik.unit('km/hr') * 12.3456:.2f}"
        '12.35 [km/hr]'
        """
    def __pos__(self) -> Drovik: ...
    def __neg__(self) -> Drovik: ...
    def __abs__(self) -> Drovik: ...
    def __int__(self) -> int:
        """The value truncated to a 32-bit int (saturating; NaN gives 0); the
        unit is ignored."""
    def __float__(self) -> float:
        """The value as it stands; the unit is ignored."""
    def __add__(self, other: _UnitCoercible, /) -> Drovik: ...
    def __radd__(self, other: _UnitCoercible, /) -> Drovik: ...
    def __sub__(self, other: _UnitCoercible, /) -> Drovik: ...
    def __rsub__(self, other: _UnitCoercible, /) -> Drovik: ...
    def __mul__(self, other: _UnitCoercible, /) -> Drovik: ...
    def __rmul__(self, other: _UnitCoercible, /) -> Drovik: ...
    def __truediv__(self, other: _UnitCoercible, /) -> Drovik: ...
    def __rtruediv__(self, other: _UnitCoercible, /) -> Drovik: ...
    def __pow__(self, value: _UnitCoercible, mod: float | int | None = None, /) -> Drovik: ...
    def __rpow__(self, value: _UnitCoercible, mod: float | int | None = None, /) -> Drovik: ...
    def __lt__(self, value: _UnitCoercible, /) -> bool: ...
    def __le__(self, value: _UnitCoercible, /) -> bool: ...
    def __eq__(self, value: object, /) -> bool: ...
    def __ne__(self, value: object, /) -> bool: ...
    def __gt__(self, value: _UnitCoercible, /) -> bool: ...
    def __ge__(self, value: _UnitCoercible, /) -> bool: ...
    __hash__: None  # type: ignore[assignment]
