#include "support/TextTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Exception.h"
#include "support/TextLines.h"

namespace {

// The names the fare domain library looks up, in the order of the built-in text.
const std::vector<std::string> kNames = {"RemarkSeparator",
                                         "LocalSeparator",
                                         "ShortEconomyClass",
                                         "ShortBusinessClass",
                                         "ShortFirstClass",
                                         "ShortSupersonicClass",
                                         "DefaultFareValue",
                                         "DealNumber",
                                         "Vice versa",
                                         "TicketVariableSeparator_Begin",
                                         "TicketVariableSeparator_End",
                                         "Carrier",
                                         "CabinClass",
                                         "BookingClass",
                                         "Child",
                                         "Infant",
                                         "ShortAdult",
                                         "ShortChild",
                                         "ShortInfant",
                                         "IATA",
                                         "PassengerTyp",
                                         "MinimumAdultCount",
                                         "MinimumPassengers",
                                         "MaximumPassengers",
                                         "Min",
                                         "Max",
                                         "SubstractNumberOfStops",
                                         "OpenJawInOrigin/SameCountry",
                                         "OpenJawInOrigin/OtherCountry",
                                         "OpenJawInDestination/SameCountry",
                                         "OpenJawInDestination/OtherCountry",
                                         "OpenJawInOriginCountry",
                                         "OpenJawInDestinationCountry",
                                         "OpenJawInSameCountry",
                                         "OpenJawInOtherCountry",
                                         "OpenJawInAnyCountry",
                                         "DoubleOpenJawAllowed",
                                         "UseDifferentSeasons",
                                         "NonSmokingOnly",
                                         "DestinationCurrency",
                                         "BeforeTicketing",
                                         "AfterTicketing",
                                         "DaysBeforeDeparture",
                                         "NoShow",
                                         "AfterDeparture",
                                         "TicketLimit_DaysBeforeDeparture",
                                         "DaysAfterBooking",
                                         "MinimumBookingDaysBeforeDeparture",
                                         "MaximumBookingDaysBeforeDeparture",
                                         "FirstTicketingDate",
                                         "LastTicketingDate",
                                         "EarliestBooking",
                                         "LatestBooking",
                                         "IsNotAllowed",
                                         "OnlyAllowedAt",
                                         "Surcharges",
                                         "AllowedEachDay",
                                         "NotAllowed",
                                         "Oneway",
                                         "RoundtripOnly",
                                         "Oneway_Roundtrip",
                                         "Out",
                                         "Return",
                                         "In",
                                         "MinimumAge",
                                         "MaximumAge",
                                         "OnewayOnly",
                                         "OpenJaw_Half",
                                         "OpenJaw_2OW",
                                         "OpenJaw_HIP",
                                         "FixReturnDate",
                                         "LastReturnDate",
                                         "CalculateChildInfantAgeAtEndOfJourney",
                                         "MaxAgeYouth",
                                         "MaxAgeStudent",
                                         "StreetPrice",
                                         "MaxAgeChild",
                                         "MaxAgeInfant",
                                         "TotalNumberAllowedChild",
                                         "TotalNumberAllowedInfant",
                                         "BlackOutDates",
                                         "BlackoutFlights",
                                         "BlackoutDateRanges",
                                         "BlackoutFlightRanges",
                                         "ItenareryFee",
                                         "DateFee",
                                         "RefundAfterDeparture",
                                         "RefundReturnFlight",
                                         "EconomyClass",
                                         "PremiumEco",
                                         "Deposit",
                                         "CalcMinStay",
                                         "Effective",
                                         "Expired",
                                         "SecondDiscount",
                                         "ThirdDiscount",
                                         "TotalNumberRequiredChild",
                                         "TotalNumberRequiredInfant",
                                         "TotalNumberChildInfantsAllowed",
                                         "TotalNumberChildInfantsRequired",
                                         "TravelComplete",
                                         "CalcMinStay_Departure",
                                         "CalcMinStay_FirstStop",
                                         "CalcMinStay_Destination",
                                         "CalcMinStay_StopInCTR",
                                         "CalcMinStayRule",
                                         "CalcMinStayRule_Action_Arrival",
                                         "CalcMinStayRule_Action_Departure",
                                         "CalcMinStayRule_Location_FirstSegment",
                                         "CalcMinStayRule_Location_LastSegment",
                                         "CalcMinStayRule_Location_2ndLastSegment",
                                         "CalcMinStayRule_Location_SecondLastSegment",
                                         "CalcMinStayRule_Location_FirstStop",
                                         "CalcMinStayRule_Location_LastStop",
                                         "CalcMinStayRule_Location_TurnaroundCountry",
                                         "CalcMinStayRule_Location_PointOfTurnaround",
                                         "OpenJaw_DoubleOpenJaw",
                                         "OpenJaw_SingleOpenJaw",
                                         "OpenJaw_ClassMixOnly",
                                         "OpenJaw_and",
                                         "OpenJaw_ClassMix",
                                         "OpenJaw_AllOrigins",
                                         "OpenJaw_AllDestinations",
                                         "OpenJaw_Calculation",
                                         "OpenJaw_PCT",
                                         "OpenJaw_between",
                                         "OpenJaw_permitted",
                                         "OpenJaw_notPermitted",
                                         "OpenJaw_SameRule",
                                         "OpenJaw_SameRuleCarrier",
                                         "OpenJaw_DifferentRuleCarrier",
                                         "OpenJaw_SameTariff",
                                         "OpenJaw_TableTariff",
                                         "Min2",
                                         "Min2_and",
                                         "Min2_or",
                                         "Passenger_OtherDiscounts_Agent",
                                         "Passenger_OtherDiscounts_SeniorCitizen",
                                         "Passenger_OtherDiscounts_TourConductor",
                                         "Passenger_OtherDiscounts_Clergy",
                                         "Passenger_OtherDiscounts_Companion",
                                         "Passenger_OtherDiscounts_AccompanyingCompanion",
                                         "Passenger_OtherDiscounts_Government",
                                         "Passenger_OtherDiscounts_Worker",
                                         "Passenger_OtherDiscounts_Teacher",
                                         "Passenger_OtherDiscounts_Emigrant",
                                         "Passenger_OtherDiscounts_USMilitary",
                                         "Passenger_OtherDiscounts_Family",
                                         "Passenger_OtherDiscounts_Family_PH",
                                         "Passenger_OtherDiscounts_Family_PF",
                                         "Passenger_OtherDiscounts_Pilgrim",
                                         "Passenger_OtherDiscounts_Seamans",
                                         "Passenger_OtherDiscounts_Student",
                                         "Passenger_OtherDiscounts_Student_ZS",
                                         "Passenger_OtherDiscounts_Congress",
                                         "Passenger_OtherDiscounts_Spouse",
                                         "Passenger_OtherDiscounts_Spouse_ST",
                                         "Passenger_OtherDiscounts_Negotiated",
                                         "Passenger_OtherDiscounts_Youth",
                                         "Passenger_OtherDiscounts_CalculateAgeAtEndOfJourney",
                                         "ETicket",
                                         "PTicket",
                                         "ETicketOnly",
                                         "PTicketOnly",
                                         "ETicketDefault_ETicket",
                                         "ETicketDefault_PTicket",
                                         "TicketLimit_V31",
                                         "TicketLimit_V315_BC",
                                         "TicketLimit_V315_B",
                                         "TicketLimit_V315_C",
                                         "TicketLimit_V315_ABC",
                                         "TicketLimit_V315_AB",
                                         "TicketLimit_V315_AC",
                                         "CCPayment",
                                         "NoCCPayment"};

class TextTable : public testing::Test {
 protected:
  void SetUp() override { InitializeStringMapping(); }
  void TearDown() override { FinalizeStringMapping(); }
};

TEST_F(TextTable, BuiltInTextHoldsTheNamesInOrder) {
  const std::string_view text = BuiltInTextTable();
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  const std::vector<std::string> lines = SplitTextLines(text);
  ASSERT_EQ(lines.size(), 175u);
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].substr(0, lines[i].find('=')), kNames[i]) << i;
  EXPECT_EQ(GetTextTable().GetCount(), 175);
}

TEST_F(TextTable, NamesAreStoredInUpperCaseAndFoundInAnyCase) {
  const TStringMapper& table = GetTextTable();
  EXPECT_EQ(table.GetName(0), "AFTERDEPARTURE");
  EXPECT_EQ(table.Lookup("shortadult"), "AD");
  EXPECT_EQ(table.Lookup("ShortAdult"), "AD");
  EXPECT_EQ(table.Lookup("Foo"), "Foo");
  EXPECT_EQ(table.Lookup("vice versa"), table.Lookup("VICE VERSA"));
  for (const std::string& name : kNames) EXPECT_NE(table.Lookup(name), "") << name;
}

TEST_F(TextTable, CodesSeparatorsAndTemplates) {
  struct Row {
    const char* name;
    const char* value;
  };
  const Row rows[] = {
      {"RemarkSeparator", ";"},
      {"LocalSeparator", ":"},
      {"DefaultFareValue", ":"},
      {"ShortEconomyClass", "EC"},
      {"ShortBusinessClass", "BU"},
      {"ShortFirstClass", "FI"},
      {"ShortSupersonicClass", "SU"},
      {"ShortAdult", "AD"},
      {"ShortChild", "CH"},
      {"ShortInfant", "IN"},
      {"TicketVariableSeparator_Begin", "<"},
      {"TicketVariableSeparator_End", ">"},
      {"NotAllowed", "n.a."},
      {"OpenJaw_Half", "1/2RT"},
      {"OpenJaw_2OW", "2xOW"},
      {"OpenJaw_HIP", "HIP"},
      {"Min2", "#"},
      {"Min2_and", " and "},
      {"Min2_or", "/"},
      {"MinimumAge", "Min.age: # years"},
      {"CalcMinStay_Departure", " departure"},
      {"CalcMinStayRule", " <action_outbound> <location_outbound> to <action_inbound> <location_inbound>"},
      {"ETicket", "Discount <#CUR#> #"},
      {"PTicket", "Paperticket markup <#CUR#> #"},
      {"TicketLimit_V31",
       "Booking within last #B# days before departure = Ticketing within #T# days after reservation"},
      {"TicketLimit_V315_B",
       "Tickets must be issued #TKTLIMIT.BOOKDAYS# day(s) before departure at the latest."},
      {"TicketLimit_V315_C",
       "Tickets must be issued #TKTLIMIT.TKTBEFORE_DEP# day(s) after reservation at the latest."},
      {"StreetPrice", "Fix street price: |RT:Return=#|OW:, Oneway=#"},
      {"DealNumber", "DealNumber"},
      {"Surcharges", "Surcharges"},
      {"NoShow", "NoShow"},
  };
  for (const Row& row : rows) EXPECT_EQ(GetTextTable().Lookup(row.name), row.value) << row.name;
}

TEST_F(TextTable, WeekdayCodesStartOnMonday) {
  const std::array<std::string, 7> expected = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
  EXPECT_EQ(GetWeekdayCodes(), expected);
}

TEST(TextTableLifetime, UnavailableOutsideStartUp) {
  FinalizeStringMapping();
  EXPECT_THROW(GetTextTable(), Exception);
  EXPECT_THROW(GetWeekdayCodes(), Exception);
}

}  // namespace
