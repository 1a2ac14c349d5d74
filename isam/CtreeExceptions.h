#pragma once

#include "support/Exception.h"

// The storage layer's errors; each carries only its message.
class ECTreeException : public Exception {
 public:
  using Exception::Exception;
};
// No index over the field names asked for.
class ECtreeIndexException : public ECTreeException {
 public:
  using ECTreeException::ECTreeException;
};
// A field name the table does not have.
class ECTreeBadFieldname : public ECTreeException {
 public:
  using ECTreeException::ECTreeException;
};
// A value conversion the field class does not support.
class ECTreeConvertException : public ECTreeException {
 public:
  using ECTreeException::ECTreeException;
};
