#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/Exception.h"

class ETransformerException : public Exception {
 public:
  using Exception::Exception;
};

// An ordered list of replacement rules "name=value". Transform replaces, rule after rule, every occurrence
// of a rule's name by its value. Blanks belong to names and values.
class TTransformer {
 public:
  // Splits rule at its first "=" (later ones belong to the value); none: "Invalid transformation rule" and
  // nothing is added. A repeated rule is added again.
  void AddRule(const std::string& rule);
  void ClearRules();
  // Each rule in order replaces the non-overlapping occurrences of its name, left to right, without
  // scanning the text it inserted; names compare exactly; a rule with an empty name changes nothing.
  std::string Transform(const std::string& text) const;

  int32_t RuleCount() const { return static_cast<int32_t>(rules_.size()); }
  const std::vector<std::string>& Rules() const { return rules_; }
  const std::vector<std::string>& Names() const { return names_; }
  const std::vector<std::string>& Values() const { return values_; }

 private:
  std::vector<std::string> rules_;
  std::vector<std::string> names_;
  std::vector<std::string> values_;
};
