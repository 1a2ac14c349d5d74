#pragma once

#include "support/Exception.h"

// Errors of STADAF headers, layouts, structured fields and the record-type index.
class EStadafException : public Exception {
 public:
  using Exception::Exception;
};
