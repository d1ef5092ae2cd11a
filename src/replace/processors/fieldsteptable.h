// SPDX-License-Identifier: MIT
// The field steps of the three item processors: flag key, property, undo name, step number.
#pragma once

#include <array>
#include <span>

enum class StepKind {
    Plain, // the field is searched as text and rewritten
    Phone, // plain, or only its "(area code)" under the special instruction
    Body,  // Body is searched, then the text runs of RTFBody; RTFBody is written
    Email, // plain, then a log line with the new address; numbered 171 to 176
};

struct FieldStep
{
    int number;           // reported in the error line of a failing step
    const char *flagKey;  // settings key whose non-zero value switches the step on
    const char *property; // wrapper property read and written
    const char *undoName; // field name of the undo record
    StepKind kind;
};

// Sub-step numbers of the e-mail step, so an error line tells the operation.
namespace EmailSubStep {
inline constexpr int Read = 171;         // reading the address
inline constexpr int SetText = 172;      // handing it to the control
inline constexpr int Search = 173;       // setting the pattern, counting matches
inline constexpr int Undo = 174;         // reading EntryID, writing the undo record
inline constexpr int Replace = 175;      // handing the replacement to the control
inline constexpr int WriteAndLog = 176;  // writing the field and the log line
} // namespace EmailSubStep

inline constexpr char RtfBodyProperty[] = "RTFBody";

// In run order. 370 is not used.
inline constexpr std::array<FieldStep, 41> ContactSteps = {{
    {20, "AccountName", "Account", "Account", StepKind::Plain},
    {30, "AssistantsPhone", "AssistantTelephoneNumber", "AssistantTelephoneNumber", StepKind::Phone},
    {40, "BusinessStreetAddress", "BusinessAddressStreet", "BusinessAddressStreet", StepKind::Plain},
    {50, "BusinessCity", "BusinessAddressCity", "BusinessAddressCity", StepKind::Plain},
    {60, "BusinessState", "BusinessAddressState", "BusinessAddressState", StepKind::Plain},
    {70, "BusinessZip", "BusinessAddressPostalCode", "BusinessAddressPostalCode", StepKind::Plain},
    {80, "Body", "Body", "Body", StepKind::Body},
    {90, "BusinessPhone", "BusinessTelephoneNumber", "BusinessTelephoneNumber", StepKind::Phone},
    {100, "BusinessPhone2", "Business2TelephoneNumber", "Business2TelephoneNumber", StepKind::Phone},
    {110, "BusinessFax", "BusinessFaxNumber", "BusinessFaxNumber", StepKind::Phone},
    {120, "BusinessHomePage", "BusinessHomePage", "BusinessHomePage", StepKind::Plain},
    {130, "CallbackPhone", "CallbackTelephoneNumber", "CallbackTelephoneNumber", StepKind::Phone},
    {140, "CarPhone", "CarTelephoneNumber", "CarTelephoneNumber", StepKind::Phone},
    {150, "CompanyMainPhone", "CompanyMainTelephoneNumber", "CompanyMainTelephoneNumber", StepKind::Phone},
    {160, "CompanyName", "CompanyName", "CompanyName", StepKind::Plain},
    {170, "EmailAddress", "Email1Address", "Email1Address", StepKind::Email},
    {180, "Email2Address", "Email2Address", "Email2Address", StepKind::Plain},
    {190, "Email3Address", "Email3Address", "Email3Address", StepKind::Plain},
    {200, "EmailDisplayAs", "Email1DisplayName", "Email1DisplayName", StepKind::Plain},
    {210, "Email2DisplayAs", "Email2DisplayName", "Email2DisplayName", StepKind::Plain},
    {220, "Email3DisplayAs", "Email3DisplayName", "Email3DisplayName", StepKind::Plain},
    {225, "FileAs", "FileAs", "FileAs", StepKind::Plain},
    {230, "HomeStreetAddress", "HomeAddressStreet", "HomeAddressStreet", StepKind::Plain},
    {240, "HomeCity", "HomeAddressCity", "HomeAddressCity", StepKind::Plain},
    {250, "HomeState", "HomeAddressState", "HomeAddressState", StepKind::Plain},
    {260, "HomeZip", "HomeAddressPostalCode", "HomeAddressPostalCode", StepKind::Plain},
    {270, "HomePhone", "HomeTelephoneNumber", "HomeTelephoneNumber", StepKind::Phone},
    {280, "HomePhone2", "Home2TelephoneNumber", "Home2TelephoneNumber", StepKind::Phone},
    {290, "HomeFax", "HomeFaxNumber", "HomeFaxNumber", StepKind::Phone},
    {300, "MobilePhone", "MobileTelephoneNumber", "MobileTelephoneNumber", StepKind::Phone},
    {310, "OfficeLocation", "OfficeLocation", "OfficeLocation", StepKind::Plain},
    {320, "OtherStreetAddress", "OtherAddressStreet", "OtherAddressStreet", StepKind::Plain},
    {330, "OtherCity", "OtherAddressCity", "OtherAddressCity", StepKind::Plain},
    {340, "OtherState", "OtherAddressState", "OtherAddressState", StepKind::Plain},
    {350, "OtherZip", "OtherAddressPostalCode", "OtherAddressPostalCode", StepKind::Plain},
    {360, "OtherPhone", "OtherTelephoneNumber", "OtherTelephoneNumber", StepKind::Phone},
    {380, "OtherFax", "OtherFaxNumber", "OtherFaxNumber", StepKind::Phone},
    {390, "Pager", "PagerNumber", "PagerNumber", StepKind::Phone},
    {400, "PrimaryPhone", "PrimaryTelephoneNumber", "PrimaryTelephoneNumber", StepKind::Phone},
    {410, "RadioPhone", "RadioTelephoneNumber", "RadioTelephoneNumber", StepKind::Phone},
    {420, "TTYPhone", "TTYTDDTelephoneNumber", "TTYTDDTelephoneNumber", StepKind::Phone},
}};

inline constexpr std::array<FieldStep, 5> AppointmentSteps = {{
    {500, "AppointmentSubject", "Subject", "Subject", StepKind::Plain},
    {510, "AppointmentLocation", "Location", "Location", StepKind::Plain},
    {520, "AppointmentStart", "Start", "Start", StepKind::Plain},
    {530, "AppointmentEnd", "End", "End", StepKind::Plain},
    {540, "AppointmentBody", "Body", "Body", StepKind::Body},
}};

// The Subject step runs between 670 and 680 and reports 675, the free
// number between its neighbours, so an error line still places it.
inline constexpr std::array<FieldStep, 10> TaskSteps = {{
    {600, "TaskActualWork", "ActualWork", "ActualWork", StepKind::Plain},
    {610, "TaskBody", "Body", "Body", StepKind::Body},
    {620, "TaskBillingInformation", "BillingInformation", "BillingInformation", StepKind::Plain},
    {630, "TaskCompanies", "Companies", "Companies", StepKind::Plain},
    {640, "TaskDateCompleted", "DateCompleted", "DateCompleted", StepKind::Plain},
    {650, "TaskDueDate", "DueDate", "DueDate", StepKind::Plain},
    {660, "TaskMileage", "Mileage", "Mileage", StepKind::Plain},
    {670, "TaskStartDate", "StartDate", "StartDate", StepKind::Plain},
    {675, "TaskSubject", "Subject", "Subject", StepKind::Plain},
    {680, "TaskTotalWork", "TotalWork", "TotalWork", StepKind::Plain},
}};

// One processor: its name (function name of its log lines and error source),
// the text of its opening line and its steps.
struct ProcessorKind
{
    const char *name;
    const char *opening;
    std::span<const FieldStep> steps;
};

inline constexpr ProcessorKind ContactProcessor{"SearchAndReplaceContacts", "Checking contact: ",
                                                ContactSteps};
inline constexpr ProcessorKind AppointmentProcessor{"SearchAndReplaceAppointments",
                                                    "Checking Appointment: ", AppointmentSteps};
inline constexpr ProcessorKind TaskProcessor{"SearchAndReplaceTasks", "Checking Task: ", TaskSteps};
