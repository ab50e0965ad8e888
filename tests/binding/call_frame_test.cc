// The binding's call frame on the paths that ordinary Python input never
// reaches: C++ exceptions thrown inside a call, and comparison codes the
// interpreter never passes. The interpreter runs embedded in this program.
#include <Python.h>

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "python/drovik_object.h"
#include "python/exceptions.h"
#include "python/number_slots.h"
#include "quantity/construction.h"

namespace drovik::python {
namespace {

struct Raised {
  std::string type;
  std::string message;
  bool is_exception = false;  // an instance of Exception, not only BaseException
};

// Takes the pending exception.
Raised take_raised() {
  PyObject* error = PyErr_GetRaisedException();
  if (error == nullptr) return {"(none)", "", false};
  Raised raised{Py_TYPE(error)->tp_name, "",
                PyErr_GivenExceptionMatches(error, PyExc_Exception) != 0};
  if (PyObject* text = PyObject_Str(error)) {
    raised.message = PyUnicode_AsUTF8(text);
    Py_DECREF(text);
  }
  Py_DECREF(error);
  return raised;
}

TEST(CallFrame, AnInternalFaultBecomesAPanicExceptionOutsideException) {
  EXPECT_EQ(guarded([]() -> PyObject* { throw std::logic_error("broken invariant"); }), nullptr);
  Raised raised = take_raised();
  EXPECT_EQ(raised.type, "PanicException");
  EXPECT_EQ(raised.message, "broken invariant");
  EXPECT_FALSE(raised.is_exception);
}

TEST(CallFrame, AFaultWithoutTextGetsTheGenericMessage) {
  EXPECT_EQ(guarded([]() -> PyObject* { throw 42; }), nullptr);
  Raised raised = take_raised();
  EXPECT_EQ(raised.type, "PanicException");
  EXPECT_EQ(raised.message, "internal fault in drovik");
}

TEST(CallFrame, MemoryExhaustionStaysMemoryError) {
  EXPECT_EQ(guarded([]() -> PyObject* { throw std::bad_alloc(); }), nullptr);
  Raised raised = take_raised();
  EXPECT_EQ(raised.type, "MemoryError");
  EXPECT_TRUE(raised.is_exception);
}

TEST(CallFrame, AComparisonCodeOutsideTheSixIsAFault) {
  PyObject* q = wrap(empty());
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(richcompare_slot(q, q, 99), nullptr);
  Raised raised = take_raised();
  EXPECT_EQ(raised.type, "PanicException");
  EXPECT_EQ(raised.message, "invalid compareop");
  PyObject* equal = richcompare_slot(q, q, Py_EQ);
  EXPECT_EQ(equal, Py_True);
  Py_XDECREF(equal);
  Py_DECREF(q);
}

TEST(CallFrame, LookupsRaiseLookupErrorAndEverythingElseTypeError) {
  EXPECT_EQ(exception_type(DrovikError::Kind::UnitNotFound), PyExc_LookupError);
  EXPECT_EQ(exception_type(DrovikError::Kind::ConstantNotFound), PyExc_LookupError);
  EXPECT_EQ(exception_type(DrovikError::Kind::IncompatibleUnits), PyExc_TypeError);
  EXPECT_EQ(exception_type(DrovikError::Kind::NotCoercibleToUnit), PyExc_TypeError);
  EXPECT_EQ(exception_type(DrovikError::Kind::NotCoercibleToNumber), PyExc_TypeError);
}

}  // namespace
}  // namespace drovik::python

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  Py_InitializeEx(0);
  int failed = RUN_ALL_TESTS();
  if (Py_FinalizeEx() < 0) failed = 1;
  return failed;
}
