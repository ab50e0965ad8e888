"""Many quantities in one unit: DrovikArray."""
from collections.abc import Buffer, Iterator
from types import EllipsisType
from typing import Any, Final, Literal, SupportsIndex, TypeAlias, final, overload

from drovik import Drovik

__all__: Final = ["DrovikArray"]

# Nested lists or tuples of numbers, or of quantities.
_Nested: TypeAlias = float | Drovik | list[Any] | tuple[Any, ...]
# The axes a reduction runs along.
_Axes: TypeAlias = SupportsIndex | tuple[SupportsIndex, ...]
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
    def T(self) -> DrovikArray:
        """The array with its axes reversed."""
    @property
    def dtype(self) -> Any:
        """numpy's float64 (its name when numpy is not there): the values' type."""
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
    def sum(
        self, axis: None = None, dtype: Any = None, out: None = None,
        keepdims: Literal[False] = False,
    ) -> Drovik:
        """The sum of the values (a Drovik), or along the axes axis names
        (an int or a tuple: a DrovikArray; a Drovik when no axis is left),
        numpy's figures; NaN propagates."""
    @overload
    def sum(
        self, axis: _Axes | None = None, dtype: Any = None, out: None = None,
        keepdims: bool = False,
    ) -> DrovikArray | Drovik: ...
    @overload
    def mean(
        self, axis: None = None, dtype: Any = None, out: None = None,
        keepdims: Literal[False] = False,
    ) -> Drovik:
        """The sum divided by the count, in the array's unit."""
    @overload
    def mean(
        self, axis: _Axes | None = None, dtype: Any = None, out: None = None,
        keepdims: bool = False,
    ) -> DrovikArray | Drovik: ...
    @overload
    def min(
        self, axis: None = None, dtype: Any = None, out: None = None,
        keepdims: Literal[False] = False,
    ) -> Drovik:
        """The smallest value, NaN if any is NaN; ValueError for no values."""
    @overload
    def min(
        self, axis: _Axes | None = None, dtype: Any = None, out: None = None,
        keepdims: bool = False,
    ) -> DrovikArray | Drovik: ...
    @overload
    def max(
        self, axis: None = None, dtype: Any = None, out: None = None,
        keepdims: Literal[False] = False,
    ) -> Drovik:
        """The largest value, NaN if any is NaN; ValueError for no values."""
    @overload
    def max(
        self, axis: _Axes | None = None, dtype: Any = None, out: None = None,
        keepdims: bool = False,
    ) -> DrovikArray | Drovik: ...
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
    def __pow__(self, exponent: float | Drovik, mod: None = None, /) -> DrovikArray: ...
    def __rpow__(self, base: object, mod: None = None, /) -> DrovikArray: ...
    # Comparisons give numpy booleans, or a memoryview of format "?".
    def __lt__(self, other: _Operand, /) -> _Plain: ...
    def __le__(self, other: _Operand, /) -> _Plain: ...
    def __gt__(self, other: _Operand, /) -> _Plain: ...
    def __ge__(self, other: _Operand, /) -> _Plain: ...
    def __eq__(self, other: object, /) -> _Plain: ...
    def __ne__(self, other: object, /) -> _Plain: ...
    __hash__: None  # type: ignore[assignment]
    def __round__(self, ndigits: SupportsIndex | None = None) -> DrovikArray:
        """Every value rounded as round() rounds a Drovik."""
    def round_sfig(self, n_sig_figs: SupportsIndex, /) -> DrovikArray:
        """Every value rounded to n_sig_figs significant figures, as
        Drovik.round_sfig rounds it."""
    # A Drovik when the key names one value, a DrovikArray otherwise.
    def __getitem__(
        self, key: SupportsIndex | slice | EllipsisType | tuple[Any, ...] | None, /
    ) -> Any: ...
    def __iter__(self) -> Iterator[Any]: ...
    def descriptive(self) -> str:
        """The values as str() lays them out, then the unit's full names."""
    def __format__(self, format_spec: str, /) -> str:
        """Each value formatted as format() formats a Drovik's, laid out as
        str() lays them."""
    def __reduce__(self) -> tuple[Any, tuple[tuple[int, ...], bytes, Any]]: ...
    @staticmethod
    def _restore(*state: Any) -> DrovikArray: ...
    def copy(self) -> DrovikArray:
        """The array with values of its own, compact (the array itself when it
        has: arrays never change)."""
    def reshape(self, /, *shape: SupportsIndex | tuple[SupportsIndex, ...]) -> DrovikArray:
        """The values in C order with new extents (one may be -1), given one by
        one or as a tuple."""
    def ravel(self) -> DrovikArray:
        """The values in C order along one axis (a view when they lie so)."""
    def flatten(self) -> DrovikArray:
        """The values in C order along one axis, copied."""
    def transpose(self, /, *axes: SupportsIndex | tuple[SupportsIndex, ...] | None) -> DrovikArray:
        """The axes in reverse order, or in the order given."""
    def swapaxes(self, axis1: SupportsIndex, axis2: SupportsIndex, /) -> DrovikArray:
        """The two axes exchanged."""
    def squeeze(self, axis: _Axes | None = None) -> DrovikArray:
        """Without the axes of extent 1 (all of them, or those named)."""
    def cumsum(self, axis: SupportsIndex | None = None) -> DrovikArray:
        """The running sums along axis (of the values in C order when None),
        as numpy adds them."""
    def ptp(self, axis: _Axes | None = None, keepdims: bool = False) -> DrovikArray | Drovik:
        """The largest value less the smallest."""
    def var(self, axis: _Axes | None = None, ddof: float = 0, keepdims: bool = False
            ) -> DrovikArray | Drovik:
        """numpy's variance, in the unit squared."""
    def std(self, axis: _Axes | None = None, ddof: float = 0, keepdims: bool = False
            ) -> DrovikArray | Drovik:
        """numpy's standard deviation, in the array's unit."""
    def argmin(self, *args: Any, **kwargs: Any) -> Any:
        """numpy.argmin of the array: positions, plain."""
    def argmax(self, *args: Any, **kwargs: Any) -> Any:
        """numpy.argmax of the array: positions, plain."""
    def argsort(self, *args: Any, **kwargs: Any) -> Any:
        """numpy.argsort of the array: positions, plain."""
    def nonzero(self, *args: Any, **kwargs: Any) -> Any:
        """numpy.nonzero of the array: positions, plain."""
    def clip(self, *args: Any, **kwargs: Any) -> DrovikArray:
        """numpy.clip of the array, the limits in its unit (quantities
        converted)."""
    def prod(self, *args: Any, **kwargs: Any) -> DrovikArray | Drovik:
        """numpy.prod of the array, in its unit to the power of the count of
        values multiplied."""
    def __matmul__(self, other: Any, /) -> DrovikArray | Drovik: ...
    def __rmatmul__(self, other: Any, /) -> DrovikArray | Drovik: ...
    def astype(
        self, dtype: Any, order: Any = "K", casting: Any = "unsafe", subok: Any = True,
        copy: Any = True,
    ) -> DrovikArray:
        """The values as dtype gives them, in the same unit: float64 keeps them,
        float32 rounds each; other types raise TypeError."""
    def tolist(self) -> Any:
        """Nested lists of Drovik quantities (a Drovik for shape ())."""
    def item(self) -> Drovik:
        """The one value, a Drovik; ValueError for more or none."""
    def __bool__(self) -> bool: ...
    def __copy__(self) -> DrovikArray: ...
    def __deepcopy__(self, memo: Any, /) -> DrovikArray: ...
    def __sizeof__(self) -> int: ...
    def __array_ufunc__(self, ufunc: Any, method: str, /, *inputs: Any, **kwargs: Any) -> Any:
        """numpy's + - * / ** abs and comparisons act as the array's own
        operators; other ufuncs raise TypeError."""
    def __array_function__(
        self, func: Any, types: Any, args: Any, kwargs: Any, /
    ) -> Any:
        """numpy's functions would drop the unit: they raise TypeError."""
