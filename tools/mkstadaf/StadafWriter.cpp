#include "tools/mkstadaf/StadafWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <utility>

namespace {

constexpr size_t kNameWidth = 30;

// value in decimal with leading zeros to width digits; a value that needs more digits is an error of the
// caller, not something to write.
std::string Digits(int64_t value, size_t width) {
  std::string text = std::to_string(value);
  if (value < 0 || text.size() > width) throw std::invalid_argument("value does not fit its field: " + text);
  return std::string(width - text.size(), '0') + text;
}

std::string Fit(std::string_view text, size_t width, char fill = ' ') {
  std::string result(text.substr(0, width));
  result.resize(width, fill);
  return result;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

size_t EncodedSize(const TStadafFieldSpec& field, const std::string& value) {
  switch (field.Type) {
    case 'F':
      return static_cast<size_t>(field.Size);
    case 'D':
      return static_cast<size_t>(field.Size) + value.size();
    default:
      return 16 + value.size();
  }
}

void AppendValue(std::string& out, const TStadafFieldSpec& field, const std::string& value) {
  switch (field.Type) {
    case 'F':
      out += Fit(value, static_cast<size_t>(field.Size));
      break;
    case 'D':
      out += Digits(static_cast<int64_t>(value.size()), static_cast<size_t>(field.Size));
      out += value;
      break;
    default: {
      const int64_t elementSize = field.ElementSize;
      const int64_t count = elementSize > 0 ? static_cast<int64_t>(value.size()) / elementSize : 0;
      out += Digits(static_cast<int64_t>(value.size()), 6);
      out += Digits(count, 5);
      out += Digits(elementSize, 5);
      out += value;
      break;
    }
  }
}

}  // namespace

std::string StadafFieldEntry(const TStadafFieldSpec& field, bool version210) {
  std::string entry(1, field.Type);
  entry += Digits(field.Size, 5);
  entry += Fit(field.Name, kNameWidth);
  if (version210) entry += Fit(field.RefCode, 2);
  entry += '\r';
  return entry;
}

std::string StadafConstantEntry(std::string_view rule) {
  return Fit(rule, 40) + '\r';
}

void AppendStadafRecord(std::string& out, const std::vector<TStadafFieldSpec>& fields,
                        const std::vector<std::string>& values) {
  if (values.size() != fields.size()) throw std::invalid_argument("one value per field");
  size_t length = 1;
  for (size_t i = 0; i < fields.size(); ++i) length += EncodedSize(fields[i], values[i]);
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i == 0 && fields[i].Type == 'F' && EndsWith(fields[i].Name, "RecordLength")) {
      out += Digits(static_cast<int64_t>(length), static_cast<size_t>(fields[i].Size));
    } else {
      AppendValue(out, fields[i], values[i]);
    }
  }
  out += '\r';
}

// ---- TStadafFileBuilder

TStadafFileBuilder::TStadafFileBuilder(std::string version) : version_(std::move(version)) {
  if (version_ == "1.10") groupCounts_.assign(1, 0);
}

void TStadafFileBuilder::SetLayout(std::vector<TStadafFieldSpec> fields, std::vector<std::string> constants,
                                   char separator) {
  layout_ = std::move(fields);
  constants_ = std::move(constants);
  separator_ = separator;
}

int32_t TStadafFileBuilder::AddGroup(std::string code, std::vector<TStadafFieldSpec> fields) {
  groupCodes_.push_back(std::move(code));
  groupFields_.push_back(std::move(fields));
  groupCounts_.push_back(0);
  return static_cast<int32_t>(groupCodes_.size() - 1);
}

void TStadafFileBuilder::SetSender(std::string name, std::string code, std::string label) {
  senderName_ = std::move(name);
  senderCode_ = std::move(code);
  label_ = std::move(label);
}

const std::vector<TStadafFieldSpec>& TStadafFileBuilder::FieldsOf(int32_t group) const {
  return version_ == "1.10" ? layout_ : groupFields_.at(static_cast<size_t>(group));
}

void TStadafFileBuilder::AddRecord(int32_t group, const std::vector<std::string>& values) {
  AppendStadafRecord(body_, FieldsOf(group), values);
  ++recordCount_;
  ++groupCounts_.at(static_cast<size_t>(group));
}

std::string TStadafFileBuilder::Header(int64_t fileSize, int32_t recordCount,
                                       const std::vector<int32_t>& groupCounts) const {
  const bool v110 = version_ == "1.10";
  const bool v210 = version_ == "2.10";
  std::string h = "STADAF" + Fit(version_, 4) + Fit(writtenAt_, 12, '0') + Fit(senderName_, 20) +
                  Fit(senderCode_, 5) + Fit(label_, 20) + "0000" + "1" + "#" + Digits(fileSize, 12) +
                  "PC-ASCII";
  h += Digits(recordCount, v110 ? 8 : 9);
  if (v110) {
    h += Digits(static_cast<int64_t>(layout_.size()), 4);
    for (const auto& field : layout_) h += StadafFieldEntry(field, false);
    h += Digits(static_cast<int64_t>(constants_.size()), 8);
    for (const auto& constant : constants_) h += StadafConstantEntry(constant);
    h += separator_;
  } else {
    h += '\r';
    if (v210) {
      h += Digits(static_cast<int64_t>(groupCodes_.size()), 2) + '\r';
      for (const auto& code : groupCodes_) h += Fit(code, 2);
      h += '\r';
    }
    for (size_t g = 0; g < groupCodes_.size(); ++g) {
      h += Digits(g < groupCounts.size() ? groupCounts[g] : 0, 7) + '\r';
      h += Digits(static_cast<int64_t>(groupFields_[g].size()), 3) + '\r';
      for (const auto& field : groupFields_[g]) h += StadafFieldEntry(field, v210);
    }
  }
  h += Digits(static_cast<int64_t>(textBlock_.size()), 5);
  h += textBlock_;
  h += "\r\n";
  return h;
}

std::string TStadafFileBuilder::Build() const {
  const int64_t headerSize = HeaderSize();
  return Header(headerSize + static_cast<int64_t>(body_.size()), recordCount_, groupCounts_) + body_;
}

// ---- Layouts

namespace {

TStadafFieldSpec F(int32_t width, std::string name, std::string refCode = std::string()) {
  return TStadafFieldSpec{'F', width, std::move(name), std::move(refCode), 0};
}
TStadafFieldSpec D(int32_t digits, std::string name) {
  return TStadafFieldSpec{'D', digits, std::move(name), "", 0};
}
TStadafFieldSpec S(std::string name, int32_t elementSize) {
  return TStadafFieldSpec{'S', 0, std::move(name), "", elementSize};
}

}  // namespace

std::vector<TStadafFieldSpec> FareFields() {
  return {F(7, "FaRecordLength"),  F(2, "FaRecordType"),    F(3, "FaCarrier"),      F(5, "FaOrigin"),
          F(5, "FaDestination"),   F(8, "FaFareBasis"),     F(1, "FaBookingClass"), F(1, "FaTripType"),
          F(12, "FaAmount"),       F(3, "FaCurrency"),      F(8, "FaFirstTravel"),  F(8, "FaLastTravel"),
          F(4, "FaRuleNumber"),    F(5, "FaRoutingNumber"), D(2, "FaFootnote"),     D(3, "FaRemark"),
          S("FaFlightRanges", 10), F(8, "FATKREF", "Tk"),   F(8, "FARLREF", "Rl"),  F(8, "FARTREF", "Rt")};
}

std::vector<TStadafFieldSpec> RuleFields() {
  return {F(7, "RlRecordLength"), F(2, "RlRecordType"), F(3, "RlCarrier"), F(4, "RlRuleNumber"),
          F(30, "RlTitle"),       F(3, "RlMinStay"),    F(3, "RlMaxStay"), F(3, "RlAdvancePurchase"),
          D(4, "RlText"),         S("RlBlackouts", 16)};
}

std::vector<TStadafFieldSpec> TicketFields() {
  return {F(7, "TkRecordLength"), F(2, "TkRecordType"), F(8, "TkReference"),
          F(10, "TkDesignator"),  F(15, "TkTourCode"),  D(3, "TkEndorsement")};
}

std::vector<TStadafFieldSpec> RoutingFields() {
  return {F(7, "RtRecordLength"),  F(2, "RtRecordType"), F(3, "RtCarrier"),
          F(5, "RtRoutingNumber"), F(5, "RtMaxMileage"), D(3, "RtPoints")};
}

std::vector<TStadafFieldSpec> RoutingSegmentFields() {
  return {F(7, "RsRecordLength"), F(2, "RsRecordType"), F(5, "RsRoutingNumber"),
          F(3, "RsSequence"),     F(5, "RsFrom"),       F(5, "RsTo"),
          S("RsVia", 5)};
}

std::vector<TStadafFieldSpec> MixClassFields() {
  return {F(7, "McRecordLength"), F(2, "McRecordType"), F(3, "McCarrier"), F(10, "McClasses")};
}

std::vector<TStadafFieldSpec> ShortFareFields() {
  return {F(7, "FaRecordLength"), F(2, "FaRecordType"), F(3, "FaCarrier"), F(5, "FaOrigin"),
          F(5, "FaDestination"),  F(12, "FaAmount"),    D(2, "FaNote"),    S("FaFlightRanges", 10)};
}

std::vector<TStadafFieldSpec> ShortRuleFields() {
  return {F(7, "RlRecordLength"), F(2, "RlRecordType"), F(3, "RlCarrier"), F(4, "RlRuleNumber"),
          D(2, "RlText")};
}

std::vector<TStadafFieldSpec> ShortTicketFields() {
  return {F(7, "TkRecordLength"), F(2, "TkRecordType"), F(8, "TkReference"), F(4, "TkDesignator"),
          D(2, "TkEndorsement")};
}

std::vector<TStadafFieldSpec> ShortRoutingFields() {
  return {F(7, "RtRecordLength"), F(2, "RtRecordType"), F(3, "RtCarrier"), F(5, "RtRoutingNumber"),
          D(2, "RtPoints")};
}

std::vector<TStadafFieldSpec> ShortRoutingSegmentFields() {
  return {F(7, "RsRecordLength"), F(2, "RsRecordType"), F(5, "RsRoutingNumber"),
          F(3, "RsSequence"),     F(3, "RsFrom"),       F(3, "RsTo"),
          S("RsVia", 5)};
}

std::vector<TStadafFieldSpec> Fare110Fields() {
  return {F(3, "CARRIER"),  F(5, "ORIGIN"),  F(5, "DESTINATION"), F(8, "FARE BASIS"), F(12, "AMOUNT"),
          F(3, "CURRENCY"), D(3, "ROUTING"), S("FLIGHTS", 6),     D(2, "REMARK")};
}

// ---- Samples

namespace {

std::vector<std::string> Fare(const std::string& cxr, const std::string& from, const std::string& to,
                              const std::string& basis, const std::string& amount,
                              const std::string& currency, const std::string& rule,
                              const std::string& routing, const std::string& footnote,
                              const std::string& remark, const std::string& flights,
                              const std::string& ticket) {
  return {"",
          "FA",
          cxr,
          from,
          to,
          basis,
          basis.substr(0, 1),
          "R",
          Fit("", 12 - std::min<size_t>(12, amount.size())) + amount,
          currency,
          "20260101",
          "20261231",
          rule,
          routing,
          footnote,
          remark,
          flights,
          ticket,
          rule,
          routing};
}

}  // namespace

std::string BuildSample110() {
  TStadafFileBuilder b("1.10");
  b.SetLayout(Fare110Fields(), {"CUR=EUR", "YQ=Fuel surcharge", "NYC=New York City"}, '|');
  b.SetTextBlock("Kestrelwing sample fares, version 1.10\r\nGenerated by kw_mkstadaf");
  b.AddRecord(0, {"LH", "FRA", "NYC", "YOWUS", "     1289.00", "EUR", "FRA-NYC", "LH0400LH0409", "Weekdays"});
  b.AddRecord(0, {"LH", "MUC", "ORD", "KLX7NR", "      645.50", "EUR", "MUC-FRA-ORD", "", ""});
  b.AddRecord(0, {"LX", "ZRH", "BKK", "VSAVER", "     1120.00", "CHF", "ZRH-BKK", "LX0180",
                  "Z\xfcrich departures only"});
  b.AddRecord(0, {"AF", "CDG", "GRU", "NLOWFR", "      980.00", "EUR", "CDG-GRU", "AF0454AF0456AF0458",
                  "Tarif r\xe9"
                  "duit"});
  b.AddRecord(0, {"OS", "VIE", "NRT", "QRT14", "     1399.90", "EUR", "VIE-NRT", "", "Min stay 7 days"});
  return b.Build();
}

std::string BuildSample200() {
  TStadafFileBuilder b("2.00");
  const int32_t fare = b.AddGroup("FA", FareFields());
  const int32_t rule = b.AddGroup("RL", RuleFields());
  b.AddGroup("TK", TicketFields());  // described, no records
  const int32_t routing = b.AddGroup("RT", RoutingFields());
  const int32_t segment = b.AddGroup("RS", RoutingSegmentFields());
  b.SetTextBlock("Kestrelwing sample fares, version 2.00\r\nTicket records: none");
  b.AddRecord(rule, {"", "RL", "LH", "0100", "Excursion 7-30 days", "007", "030", "014",
                     "Valid for round trips. Saturday night stay required.", "2026122020261231"});
  b.AddRecord(routing, {"", "RT", "LH", "00001", "04150", "FRA-NYC"});
  b.AddRecord(segment, {"", "RS", "00001", "001", "FRA", "NYC", ""});
  b.AddRecord(fare, Fare("LH", "FRA", "NYC", "YOWUS", "1289.00", "EUR", "0100", "00001", "A1",
                         "Weekdays only", "LH400LH409", "T0000001"));
  b.AddRecord(fare, Fare("LH", "MUC", "ORD", "KLX7NR", "645.50", "EUR", "0100", "00002", "",
                         "M\xfcnchen departures", "", "T0000002"));
  b.AddRecord(routing, {"", "RT", "LH", "00002", "05020", "MUC-FRA-ORD"});
  b.AddRecord(segment, {"", "RS", "00002", "001", "MUC", "FRA", "MUC  FRA  "});
  b.AddRecord(segment, {"", "RS", "00002", "002", "FRA", "ORD", ""});
  b.AddRecord(rule, {"", "RL", "AF", "0200", "Promo S\xe3o Paulo", "000", "365", "021", "Non-refundable.",
                     "20260701202607152026080120260815"});
  b.AddRecord(fare, Fare("AF", "CDG", "GRU", "NLOWFR", "980.00", "EUR", "0200", "00003", "B2",
                         "S\xe3o Paulo via Paris", "AF454AF458AF460AF469", "T0000003"));
  b.AddRecord(routing, {"", "RT", "AF", "00003", "06100", "CDG-GRU"});
  b.AddRecord(fare, Fare("LX", "ZRH", "BKK", "VSAVER", "1120.00", "CHF", "0300", "00004", "", "",
                         "LX180LX181", "T0000004"));
  b.AddRecord(rule, {"", "RL", "LX", "0300", "Saver", "003", "090", "007", "", ""});
  b.AddRecord(segment, {"", "RS", "00004", "001", "ZRH", "BKK", ""});
  b.AddRecord(fare, Fare("OS", "VIE", "NRT", "QRT14", "1399.90", "EUR", "0300", "00004", "C3",
                         "Min stay 7 days", "", "T0000005"));
  b.AddRecord(fare, Fare("SK", "CPH", "SFO", "ULOW", "799.00", "DKK", "0300", "00004", "",
                         "K\xf8"
                         "benhavn",
                         "SK935SK936", "T0000006"));
  return b.Build();
}

std::string BuildSample210() {
  TStadafFileBuilder b("2.10");
  const int32_t fare = b.AddGroup("Fa", FareFields());
  const int32_t rule = b.AddGroup("Rl", RuleFields());
  const int32_t routing = b.AddGroup("Rt", RoutingFields());
  b.AddGroup("Rs", RoutingSegmentFields());                // described, no records
  const int32_t mix = b.AddGroup("Mc", MixClassFields());  // a code that names no record type
  b.SetTextBlock("Kestrelwing sample fares, version 2.10");
  b.AddRecord(fare, Fare("LH", "FRA", "NYC", "YOWUS", "1289.00", "EUR", "0100", "00001", "A1",
                         "Weekdays only", "LH400LH409", "T0000001"));
  b.AddRecord(rule, {"", "RL", "LH", "0100", "Excursion 7-30 days", "007", "030", "014",
                     "Valid for round trips.", "2026122020261231"});
  b.AddRecord(mix, {"", "MC", "LH", "YBMH"});
  b.AddRecord(routing, {"", "RT", "LH", "00001", "04150", "FRA-NYC"});
  b.AddRecord(fare, Fare("AF", "CDG", "GRU", "NLOWFR", "980.00", "EUR", "0200", "00003", "",
                         "S\xe3o Paulo via Paris", "AF454AF458", "T0000003"));
  b.AddRecord(routing, {"", "RT", "AF", "00003", "06100", "CDG-GRU"});
  b.AddRecord(mix, {"", "MC", "AF", "JCDI"});
  b.AddRecord(fare, Fare("LX", "ZRH", "BKK", "VSAVER", "1120.00", "CHF", "0300", "00004", "", "Z\xfcrich", "",
                         "T0000004"));
  return b.Build();
}

// ---- Benchmark file

namespace {

// Joins pieces (GCC 12 misreads chains of "literal" + string as overlapping copies).
std::string Concat(std::initializer_list<std::string_view> pieces) {
  std::string text;
  for (const std::string_view piece : pieces) text.append(piece);
  return text;
}

class TBenchPool {
 public:
  TBenchPool(TStadafFileBuilder& builder, TBenchShape shape, int32_t padElements)
      : b_(builder), shape_(shape), pad_(padElements) {
    const bool shortRecords = shape_ == TBenchShape::ShortRecords;
    fare_ = b_.AddGroup("FA", shortRecords ? ShortFareFields() : FareFields());
    rule_ = b_.AddGroup("RL", shortRecords ? ShortRuleFields() : RuleFields());
    ticket_ = b_.AddGroup("TK", shortRecords ? ShortTicketFields() : TicketFields());
    routing_ = b_.AddGroup("RT", shortRecords ? ShortRoutingFields() : RoutingFields());
    segment_ = b_.AddGroup("RS", shortRecords ? ShortRoutingSegmentFields() : RoutingSegmentFields());
  }

  // Per ten records: long records seven fares, one rule, two routings; short records five fares, two
  // routings and one each of rule, ticket and routing segment, all interleaved.
  void AddRecords(int32_t tens) {
    const char* const pattern = shape_ == TBenchShape::ShortRecords ? "FRFLFTFSFR" : "FFRFFLFFRF";
    for (int32_t t = 0; t < tens; ++t)
      for (const char* p = pattern; *p; ++p) {
        switch (*p) {
          case 'F':
            shape_ == TBenchShape::ShortRecords ? AddShortFare() : AddFare();
            break;
          case 'L':
            shape_ == TBenchShape::ShortRecords ? AddShortRule() : AddRule();
            break;
          case 'T':
            AddShortTicket();
            break;
          case 'S':
            AddShortSegment();
            break;
          default:
            shape_ == TBenchShape::ShortRecords ? AddShortRouting() : AddRouting();
        }
      }
  }

 private:
  int32_t Pick(int32_t n) { return std::uniform_int_distribution<int32_t>(0, n - 1)(random_); }
  std::string Text(int32_t minLength, int32_t maxLength) {
    static const char* const kWords[] = {"valid",   "travel", "Monday",         "to",       "Thursday",
                                         "minimum", "stay",   "non-refundable", "changes",  "permitted",
                                         "fee",     "EUR",    "children",       "50%",      "round",
                                         "trip",    "only",   "M\xfcnchen",     "Z\xfcrich"};
    const int32_t length = minLength + Pick(maxLength - minLength + 1);
    std::string text;
    while (static_cast<int32_t>(text.size()) < length) {
      if (!text.empty()) text += ' ';
      text += kWords[Pick(static_cast<int32_t>(std::size(kWords)))];
    }
    text.resize(static_cast<size_t>(length));
    return text;
  }
  std::string Airport() {
    static const char* const kAirports[] = {"FRA", "MUC", "JFK", "ORD", "CDG", "GRU", "ZRH",
                                            "BKK", "VIE", "NRT", "CPH", "SFO", "MAD", "MEX",
                                            "LIS", "EWR", "LHR", "SIN", "DXB", "HKG"};
    return kAirports[Pick(static_cast<int32_t>(std::size(kAirports)))];
  }
  std::string Number(int64_t value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld", width, static_cast<long long>(value));
    return text;
  }
  std::string Carrier() {
    static const char* const kCarriers[] = {"LH", "AF", "LX", "OS", "SK", "IB", "TP", "BA", "KL", "AY"};
    return kCarriers[Pick(static_cast<int32_t>(std::size(kCarriers)))];
  }
  // Flight ranges (10-byte elements: carrier and two four-digit flight numbers), count of them plus the
  // padding that makes records long enough for a large file.
  std::string FlightRanges(const std::string& cxr, int32_t count) {
    std::string flights;
    for (int32_t i = count; i > 0; --i) flights += cxr + Number(Pick(9000), 4) + Number(Pick(9000), 4);
    if (pad_ > 0) {
      const std::string element = cxr + "00010002";
      flights.reserve(flights.size() + static_cast<size_t>(pad_) * element.size());
      for (int32_t i = 0; i < pad_; ++i) flights += element;
    }
    return flights;
  }

  void AddFare() {
    char amount[16];
    std::snprintf(amount, sizeof amount, "%12.2f", 50.0 + Pick(400000) / 100.0);
    const std::string cxr = Carrier();
    const std::string flights = FlightRanges(cxr, Pick(4));
    std::vector<std::string> values = {"",
                                       "FA",
                                       cxr,
                                       Airport(),
                                       Airport(),
                                       Concat({"Y", Number(Pick(100000), 5), "X"}),
                                       "Y",
                                       Pick(2) ? "R" : "O",
                                       amount,
                                       "EUR",
                                       "20260101",
                                       "20261231",
                                       Number(Pick(10000), 4),
                                       Number(Pick(100000), 5),
                                       Pick(3) ? "" : "A1",
                                       Text(0, 90),
                                       flights,
                                       Concat({"T", Number(Pick(10000000), 7)}),
                                       Number(Pick(10000), 4),
                                       Number(Pick(100000), 5)};
    b_.AddRecord(fare_, values);
  }
  void AddRule() {
    std::string blackouts;
    for (int32_t i = Pick(3); i > 0; --i)
      blackouts += Concat({"2026", Number(1 + Pick(12), 2), "01", "2026", "1231"});
    b_.AddRecord(rule_, {"", "RL", Carrier(), Number(Pick(10000), 4), Text(5, 30), Number(Pick(30), 3),
                         Number(Pick(365), 3), Number(Pick(60), 3), Text(20, 400), blackouts});
  }
  void AddRouting() {
    std::string points = Airport();
    for (int32_t i = 1 + Pick(6); i > 0; --i) points += Concat({"-", Airport()});
    b_.AddRecord(routing_, {"", "RT", Carrier(), Number(Pick(100000), 5), Number(Pick(20000), 5), points});
  }

  void AddShortFare() {
    char amount[16];
    std::snprintf(amount, sizeof amount, "%12.2f", 50.0 + Pick(400000) / 100.0);
    const std::string cxr = Carrier();
    b_.AddRecord(fare_,
                 {"", "FA", cxr, Airport(), Airport(), amount, Text(4, 20), FlightRanges(cxr, Pick(3))});
  }
  void AddShortRule() { b_.AddRecord(rule_, {"", "RL", Carrier(), Number(Pick(10000), 4), Text(10, 50)}); }
  void AddShortTicket() {
    b_.AddRecord(ticket_, {"", "TK", Concat({"T", Number(Pick(10000000), 7)}),
                           Concat({"D", Number(Pick(1000), 3)}), Pick(2) ? "" : Text(4, 20)});
  }
  void AddShortRouting() {
    std::string points = Airport();
    for (int32_t i = 1 + Pick(4); i > 0; --i) points += Concat({"-", Airport()});
    b_.AddRecord(routing_, {"", "RT", Carrier(), Number(Pick(100000), 5), points});
  }
  void AddShortSegment() {
    std::string via;
    for (int32_t i = Pick(4); i > 0; --i) via += Concat({Airport(), Number(Pick(100), 2)});
    b_.AddRecord(segment_,
                 {"", "RS", Number(Pick(100000), 5), Number(Pick(1000), 3), Airport(), Airport(), via});
  }

  TStadafFileBuilder& b_;
  TBenchShape shape_;
  int32_t pad_;
  std::mt19937 random_{20260115};
  int32_t fare_ = 0;
  int32_t rule_ = 0;
  int32_t ticket_ = 0;
  int32_t routing_ = 0;
  int32_t segment_ = 0;
};

// Writes the file through a sibling temporary file renamed into place once complete, so that a failure
// (a full disk, an interruption) leaves neither an empty nor a partial file.
class TAtomicFileWriter {
 public:
  explicit TAtomicFileWriter(std::string path)
      : path_(std::move(path)), temporary_(path_ + ".tmp-" + std::to_string(::getpid())) {
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) Fail("cannot create");
  }
  TAtomicFileWriter(const TAtomicFileWriter&) = delete;
  TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;
  ~TAtomicFileWriter() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temporary_.c_str());
  }
  void Write(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Fail("cannot write");
      bytes.remove_prefix(static_cast<size_t>(n));
    }
  }
  void Commit() {
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) Fail("cannot write");
    if (::rename(temporary_.c_str(), path_.c_str()) != 0) Fail("cannot write");
    committed_ = true;
  }

 private:
  [[noreturn]] void Fail(const char* what) const {
    throw std::runtime_error(std::string(what) + " " + path_ + ": " + std::strerror(errno));
  }

  std::string path_;
  std::string temporary_;
  int fd_ = -1;
  bool committed_ = false;
};

}  // namespace

TBenchFileFigures WriteBenchStadaf200(const std::string& path, int64_t bytes, const TBenchOptions& options) {
  // One pool of records, repeated. Each record type of a 2.00 header counts at most options.TypeCap records:
  // a file too large for that gets longer fares (padding elements in their flight ranges) instead of more.
  const auto buildPool = [&](TStadafFileBuilder& builder, int32_t padElements) {
    TBenchPool pool(builder, options.Shape, padElements);
    builder.SetTextBlock("Benchmark file");
    pool.AddRecords(200);
  };
  auto builder = std::make_unique<TStadafFileBuilder>("2.00");
  buildPool(*builder, 0);
  const int64_t headerSize = builder->HeaderSize();
  const auto repeatsFor = [&](const TStadafFileBuilder& b) {
    return std::max<int64_t>(1, (bytes - headerSize) / static_cast<int64_t>(b.Body().size()));
  };
  int64_t maxRepeats = INT64_MAX;
  for (int32_t g = 0; g < 5; ++g)
    if (builder->GroupRecordCount(g) > 0)
      maxRepeats = std::min<int64_t>(maxRepeats, options.TypeCap / builder->GroupRecordCount(g));
  if (maxRepeats < 1) throw std::runtime_error("the record type cap is below one pool of records");
  const bool padded = repeatsFor(*builder) > maxRepeats;
  if (padded) {
    const int64_t wantedPool = (bytes - headerSize + maxRepeats - 1) / maxRepeats;
    const int64_t extra = wantedPool - static_cast<int64_t>(builder->Body().size());
    const int64_t fares = builder->GroupRecordCount(0);
    const int64_t padElements = (extra + fares * 10 - 1) / (fares * 10);
    // The structure header states its size in six digits.
    if (padElements * 10 + 40 > 999999)
      throw std::runtime_error("a file of " + std::to_string(bytes) +
                               " bytes needs longer records than a 2.00 file holds");
    builder = std::make_unique<TStadafFileBuilder>("2.00");
    buildPool(*builder, static_cast<int32_t>(padElements));
  }
  const std::string& chunk = builder->Body();
  // Padded pools are rounded up to whole elements: the cap's number of them reaches the size asked for.
  const int64_t repeats = padded ? maxRepeats : repeatsFor(*builder);
  std::vector<int32_t> groupCounts;
  for (int32_t g = 0; g < 5; ++g)
    groupCounts.push_back(static_cast<int32_t>(builder->GroupRecordCount(g) * repeats));
  TBenchFileFigures figures;
  figures.Bytes = headerSize + repeats * static_cast<int64_t>(chunk.size());
  figures.Records = static_cast<int32_t>(builder->RecordCount() * repeats);
  figures.Fares = groupCounts[0];
  figures.Rules = groupCounts[1];
  figures.Tickets = groupCounts[2];
  figures.Routings = groupCounts[3];
  figures.Segments = groupCounts[4];
  // The header's size field has 12 digits; readers do not use it, so a larger file states the largest.
  const std::string header =
      builder->Header(std::min<int64_t>(figures.Bytes, 999999999999), figures.Records, groupCounts);
  TAtomicFileWriter out(path);
  out.Write(header);
  for (int64_t i = 0; i < repeats; ++i) out.Write(chunk);
  out.Commit();
  return figures;
}
