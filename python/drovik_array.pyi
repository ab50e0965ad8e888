"""Many quantities in one unit: DrovikArray."""
from collections.abc import Buffer
from typing import Any, Final, SupportsIndex, TypeAlias, final, overload

from drovik import Drovik

__all__: Final = ["DrovikArray"]

# Nested lists or tuples of numbers, or of quantities.
_Nested: TypeAlias = float | Drovik | list[Any] | tuple[Any, ...]
# What an operator takes beside an array.
_Operand: TypeAlias = DrovikArray | Drovik | float | Buffer
# The plain values: a numpy array when numpy can be imported, else a
# read-only memoryview.
_Plain: TypeAlias = Any

@final
class DrovikArray:
    """An immutable N-dimensional array of doubles in one unit; each element
    behaves as a drovik.Drovik would.

    `values` is a buffer of real numbers (any format and strides), nested
    lists or tuples of numbers or of quantities, a Drovik or a DrovikArray.
    `unit` is a str, read strictly (every piece must name a unit), a Drovik
    (its unit) or None (unitless, or the quantities' own unit).

    >>> DrovikArray([36.0, 72.0], "km/hr").as_unit("m/s")
    [10 20] [m/s]
    """

    def __new__(
        cls, values: Buffer | _Nested | DrovikArray, unit: str | Drovik | None = None
    ) -> DrovikArray: ...
    def __buffer__(self, flags: int, /) -> memoryview: ...
    @property
    def shape(self) -> tuple[int, ...]:
        """The extent of each axis."""
    @property
    def ndim(self) -> int:
        """The number of axes."""
    @property
    def size(self) -> int:
        """The number of values."""
    @property
    def unit(self) -> str:
        """The unit's text, as str() shows it between brackets."""
    def __len__(self) -> int: ...
    def as_number(self, unit: str | Drovik | None = None) -> _Plain:
        """The plain values, converted into unit when one is given: a numpy
        array when numpy can be imported, otherwise a read-only memoryview."""
    def as_unit(self, unit: str | Drovik, /) -> DrovikArray:
        """The array converted into unit, offsets applied as Drovik.as_unit
        applies them."""
    def as_base_units(self) -> DrovikArray:
        """The array in the eight base units."""
    @overload
    def sum(self, axis: None = None) -> Drovik:
        """The pairwise sum of the values (a Drovik), or along one axis (a
        DrovikArray); NaN propagates."""
    @overload
    def sum(self, axis: SupportsIndex) -> DrovikArray: ...
    @overload
    def mean(self, axis: None = None) -> Drovik:
        """The sum divided by the count, in the array's unit."""
    @overload
    def mean(self, axis: SupportsIndex) -> DrovikArray: ...
    @overload
    def min(self, axis: None = None) -> Drovik:
        """The smallest value, NaN if any is NaN; ValueError for an empty
        array."""
    @overload
    def min(self, axis: SupportsIndex) -> DrovikArray: ...
    @overload
    def max(self, axis: None = None) -> Drovik:
        """The largest value, NaN if any is NaN; ValueError for an empty
        array."""
    @overload
    def max(self, axis: SupportsIndex) -> DrovikArray: ...
    def __neg__(self) -> DrovikArray: ...
    def __pos__(self) -> DrovikArray: ...
    def __abs__(self) -> DrovikArray: ...
    def __add__(self, other: _Operand, /) -> DrovikArray: ...
    def __radd__(self, other: _Operand, /) -> DrovikArray: ...
    def __sub__(self, other: _Operand, /) -> DrovikArray: ...
    def __rsub__(self, other: _Operand, /) -> DrovikArray: ...
    def __mul__(self, other: _Operand, /) -> DrovikArray: ...
    def __rmul__(self, other: _Operand, /) -> DrovikArray: ...
    def __truediv__(self, other: _Operand, /) -> DrovikArray: ...
    def __rtruediv__(self, other: _Operand, /) -> DrovikArray: ...
    __array_ufunc__: None
