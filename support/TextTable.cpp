#include "support/TextTable.h"

#include <memory>
#include <utility>

#include "support/Exception.h"
#include "support/Text.h"
#include "support/TextLines.h"

namespace {
// Display texts of the fare domain library; "#", "#WORD#" and "<word>" stand for values it puts in.
constexpr std::string_view kBuiltInTextTable =
    "RemarkSeparator=;\r\n"
    "LocalSeparator=:\r\n"
    "ShortEconomyClass=EC\r\n"
    "ShortBusinessClass=BU\r\n"
    "ShortFirstClass=FI\r\n"
    "ShortSupersonicClass=SU\r\n"
    "DefaultFareValue=:\r\n"
    "DealNumber=DealNumber\r\n"
    "Vice versa=vice versa\r\n"
    "TicketVariableSeparator_Begin=<\r\n"
    "TicketVariableSeparator_End=>\r\n"
    "Carrier=Carrier\r\n"
    "CabinClass=Cabin class\r\n"
    "BookingClass=Booking class\r\n"
    "Child=Child\r\n"
    "Infant=Infant\r\n"
    "ShortAdult=AD\r\n"
    "ShortChild=CH\r\n"
    "ShortInfant=IN\r\n"
    "IATA=IATA\r\n"
    "PassengerTyp=Passenger type\r\n"
    "MinimumAdultCount=Minimum adult count\r\n"
    "MinimumPassengers=Minimum passengers\r\n"
    "MaximumPassengers=Maximum passengers\r\n"
    "Min=Min\r\n"
    "Max=Max\r\n"
    "SubstractNumberOfStops=Subtract number of stops\r\n"
    "OpenJawInOrigin/SameCountry=Open jaw in origin, same country\r\n"
    "OpenJawInOrigin/OtherCountry=Open jaw in origin, other country\r\n"
    "OpenJawInDestination/SameCountry=Open jaw in destination, same country\r\n"
    "OpenJawInDestination/OtherCountry=Open jaw in destination, other country\r\n"
    "OpenJawInOriginCountry=Open jaw in origin country\r\n"
    "OpenJawInDestinationCountry=Open jaw in destination country\r\n"
    "OpenJawInSameCountry=Open jaw in same country\r\n"
    "OpenJawInOtherCountry=Open jaw in other country\r\n"
    "OpenJawInAnyCountry=Open jaw in any country\r\n"
    "DoubleOpenJawAllowed=Double open jaw allowed\r\n"
    "UseDifferentSeasons=Different seasons allowed\r\n"
    "NonSmokingOnly=Non-smoking only\r\n"
    "DestinationCurrency=Destination currency\r\n"
    "BeforeTicketing=Before ticketing\r\n"
    "AfterTicketing=After ticketing\r\n"
    "DaysBeforeDeparture=Days before departure\r\n"
    "NoShow=NoShow\r\n"
    "AfterDeparture=After departure\r\n"
    "TicketLimit_DaysBeforeDeparture=Ticketing days before departure\r\n"
    "DaysAfterBooking=Days after booking\r\n"
    "MinimumBookingDaysBeforeDeparture=Minimum booking days before departure\r\n"
    "MaximumBookingDaysBeforeDeparture=Maximum booking days before departure\r\n"
    "FirstTicketingDate=First ticketing date\r\n"
    "LastTicketingDate=Last ticketing date\r\n"
    "EarliestBooking=Earliest booking\r\n"
    "LatestBooking=Latest booking\r\n"
    "IsNotAllowed=is not allowed\r\n"
    "OnlyAllowedAt=only allowed at\r\n"
    "Surcharges=Surcharges\r\n"
    "AllowedEachDay=Allowed each day\r\n"
    "NotAllowed=n.a.\r\n"
    "Oneway=Oneway\r\n"
    "RoundtripOnly=Roundtrip only\r\n"
    "Oneway_Roundtrip=Oneway/Roundtrip\r\n"
    "Out=Out\r\n"
    "Return=Return\r\n"
    "In=In\r\n"
    "MinimumAge=Min.age: # years\r\n"
    "MaximumAge=Maximum age\r\n"
    "OnewayOnly=Oneway only\r\n"
    "OpenJaw_Half=1/2RT\r\n"
    "OpenJaw_2OW=2xOW\r\n"
    "OpenJaw_HIP=HIP\r\n"
    "FixReturnDate=Fixed return date\r\n"
    "LastReturnDate=Last return date\r\n"
    "CalculateChildInfantAgeAtEndOfJourney=Child and infant age at end of journey\r\n"
    "MaxAgeYouth=Maximum age youth\r\n"
    "MaxAgeStudent=Maximum age student\r\n"
    "StreetPrice=Fix street price: |RT:Return=#|OW:, Oneway=#\r\n"
    "MaxAgeChild=Maximum age child\r\n"
    "MaxAgeInfant=Maximum age infant\r\n"
    "TotalNumberAllowedChild=Children allowed\r\n"
    "TotalNumberAllowedInfant=Infants allowed\r\n"
    "BlackOutDates=Blackout dates\r\n"
    "BlackoutFlights=Blackout flights\r\n"
    "BlackoutDateRanges=Blackout date ranges\r\n"
    "BlackoutFlightRanges=Blackout flight ranges\r\n"
    "ItenareryFee=Itinerary fee\r\n"
    "DateFee=Date fee\r\n"
    "RefundAfterDeparture=Refund after departure\r\n"
    "RefundReturnFlight=Refund of return flight\r\n"
    "EconomyClass=Economy class\r\n"
    "PremiumEco=Premium economy\r\n"
    "Deposit=Deposit\r\n"
    "CalcMinStay=Minimum stay\r\n"
    "Effective=Effective\r\n"
    "Expired=Expired\r\n"
    "SecondDiscount=Second discount\r\n"
    "ThirdDiscount=Third discount\r\n"
    "TotalNumberRequiredChild=Children required\r\n"
    "TotalNumberRequiredInfant=Infants required\r\n"
    "TotalNumberChildInfantsAllowed=Children and infants allowed\r\n"
    "TotalNumberChildInfantsRequired=Children and infants required\r\n"
    "TravelComplete=Travel complete\r\n"
    "CalcMinStay_Departure= departure\r\n"
    "CalcMinStay_FirstStop= first stop\r\n"
    "CalcMinStay_Destination= destination\r\n"
    "CalcMinStay_StopInCTR= stop in country\r\n"
    "CalcMinStayRule= <action_outbound> <location_outbound> to <action_inbound> <location_inbound>\r\n"
    "CalcMinStayRule_Action_Arrival=arrival\r\n"
    "CalcMinStayRule_Action_Departure=departure\r\n"
    "CalcMinStayRule_Location_FirstSegment=first segment\r\n"
    "CalcMinStayRule_Location_LastSegment=last segment\r\n"
    "CalcMinStayRule_Location_2ndLastSegment=second last segment\r\n"
    "CalcMinStayRule_Location_SecondLastSegment=second last segment\r\n"
    "CalcMinStayRule_Location_FirstStop=first stop\r\n"
    "CalcMinStayRule_Location_LastStop=last stop\r\n"
    "CalcMinStayRule_Location_TurnaroundCountry=turnaround country\r\n"
    "CalcMinStayRule_Location_PointOfTurnaround=point of turnaround\r\n"
    "OpenJaw_DoubleOpenJaw=Double open jaw\r\n"
    "OpenJaw_SingleOpenJaw=Single open jaw\r\n"
    "OpenJaw_ClassMixOnly=Class mix only\r\n"
    "OpenJaw_and=and\r\n"
    "OpenJaw_ClassMix=Class mix\r\n"
    "OpenJaw_AllOrigins=All origins\r\n"
    "OpenJaw_AllDestinations=All destinations\r\n"
    "OpenJaw_Calculation=Calculation\r\n"
    "OpenJaw_PCT=Percent\r\n"
    "OpenJaw_between=between\r\n"
    "OpenJaw_permitted=permitted\r\n"
    "OpenJaw_notPermitted=not permitted\r\n"
    "OpenJaw_SameRule=Same rule\r\n"
    "OpenJaw_SameRuleCarrier=Same rule carrier\r\n"
    "OpenJaw_DifferentRuleCarrier=Different rule carrier\r\n"
    "OpenJaw_SameTariff=Same tariff\r\n"
    "OpenJaw_TableTariff=Table tariff\r\n"
    "Min2=#\r\n"
    "Min2_and= and \r\n"
    "Min2_or=/\r\n"
    "Passenger_OtherDiscounts_Agent=Agent\r\n"
    "Passenger_OtherDiscounts_SeniorCitizen=Senior citizen\r\n"
    "Passenger_OtherDiscounts_TourConductor=Tour conductor\r\n"
    "Passenger_OtherDiscounts_Clergy=Clergy\r\n"
    "Passenger_OtherDiscounts_Companion=Companion\r\n"
    "Passenger_OtherDiscounts_AccompanyingCompanion=Accompanying companion\r\n"
    "Passenger_OtherDiscounts_Government=Government\r\n"
    "Passenger_OtherDiscounts_Worker=Worker\r\n"
    "Passenger_OtherDiscounts_Teacher=Teacher\r\n"
    "Passenger_OtherDiscounts_Emigrant=Emigrant\r\n"
    "Passenger_OtherDiscounts_USMilitary=US military\r\n"
    "Passenger_OtherDiscounts_Family=Family\r\n"
    "Passenger_OtherDiscounts_Family_PH=Family, head\r\n"
    "Passenger_OtherDiscounts_Family_PF=Family, member\r\n"
    "Passenger_OtherDiscounts_Pilgrim=Pilgrim\r\n"
    "Passenger_OtherDiscounts_Seamans=Seaman\r\n"
    "Passenger_OtherDiscounts_Student=Student\r\n"
    "Passenger_OtherDiscounts_Student_ZS=Student (ZS)\r\n"
    "Passenger_OtherDiscounts_Congress=Congress\r\n"
    "Passenger_OtherDiscounts_Spouse=Spouse\r\n"
    "Passenger_OtherDiscounts_Spouse_ST=Spouse (ST)\r\n"
    "Passenger_OtherDiscounts_Negotiated=Negotiated\r\n"
    "Passenger_OtherDiscounts_Youth=Youth\r\n"
    "Passenger_OtherDiscounts_CalculateAgeAtEndOfJourney=Age at end of journey\r\n"
    "ETicket=Discount <#CUR#> #\r\n"
    "PTicket=Paperticket markup <#CUR#> #\r\n"
    "ETicketOnly=E-ticket only\r\n"
    "PTicketOnly=Paper ticket only\r\n"
    "ETicketDefault_ETicket=Default e-ticket\r\n"
    "ETicketDefault_PTicket=Default paper ticket\r\n"
    "TicketLimit_V31=Booking within last #B# days before departure = Ticketing within #T# days after "
    "reservation\r\n"
    "TicketLimit_V315_BC=Ticketing limit before departure or after reservation\r\n"
    "TicketLimit_V315_B=Tickets must be issued #TKTLIMIT.BOOKDAYS# day(s) before departure at the latest.\r\n"
    "TicketLimit_V315_C=Tickets must be issued #TKTLIMIT.TKTBEFORE_DEP# day(s) after reservation at the "
    "latest.\r\n"
    "TicketLimit_V315_ABC=Ticketing limit A, B and C\r\n"
    "TicketLimit_V315_AB=Ticketing limit A and B\r\n"
    "TicketLimit_V315_AC=Ticketing limit A and C\r\n"
    "CCPayment=Credit card payment\r\n"
    "NoCCPayment=No credit card payment\r\n";

constinit std::unique_ptr<TStringMapper> textTable;
constinit std::unique_ptr<std::array<std::string, 7>> weekdayCodes;
}  // namespace

std::string_view BuiltInTextTable() {
  return kBuiltInTextTable;
}

void InitializeStringMapping() {
  auto table = std::make_unique<TStringMapper>(std::string(), true);
  for (const std::string& line : SplitTextLines(kBuiltInTextTable)) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    table->SetValue(UpperCase(line.substr(0, equals)), line.substr(equals + 1));
  }
  textTable = std::move(table);
  weekdayCodes = std::make_unique<std::array<std::string, 7>>(
      std::array<std::string, 7>{"MO", "TU", "WE", "TH", "FR", "SA", "SU"});
}

void FinalizeStringMapping() {
  weekdayCodes.reset();
  textTable.reset();
}

const TStringMapper& GetTextTable() {
  if (!textTable) throw Exception("The text table is not initialised");
  return *textTable;
}

const std::array<std::string, 7>& GetWeekdayCodes() {
  if (!weekdayCodes) throw Exception("The weekday codes are not initialised");
  return *weekdayCodes;
}
