#include "stadaf/Transformer.h"

void TTransformer::AddRule(const std::string& rule) {
  const size_t equals = rule.find('=');
  if (equals == std::string::npos) throw ETransformerException("Invalid transformation rule");
  rules_.reserve(rules_.size() + 1);
  names_.reserve(names_.size() + 1);
  values_.reserve(values_.size() + 1);
  rules_.push_back(rule);
  names_.push_back(rule.substr(0, equals));
  values_.push_back(rule.substr(equals + 1));
}

void TTransformer::ClearRules() {
  rules_.clear();
  names_.clear();
  values_.clear();
}

std::string TTransformer::Transform(const std::string& text) const {
  std::string current = text;
  std::string next;
  for (size_t i = 0; i < names_.size(); ++i) {
    const std::string& name = names_[i];
    if (name.empty()) continue;
    size_t from = 0;
    size_t hit = current.find(name);
    if (hit == std::string::npos) continue;
    next.clear();
    while (hit != std::string::npos) {
      next.append(current, from, hit - from);
      next.append(values_[i]);
      from = hit + name.size();
      hit = current.find(name, from);
    }
    next.append(current, from, std::string::npos);
    current.swap(next);
  }
  return current;
}
