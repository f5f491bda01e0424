#pragma once

#include <QMetaEnum>
#include <QObject>
#include <QString>

// The service's result codes; their names print in logs.
class HttpCommandCode
{
    Q_GADGET
public:
    enum CommandCode {
        // Never sent by the service: the reply had no code, or one that is not a number.
        NoResultCode = -1,
        BadResultCode = -2,
        UnknownError = 10,
        AuthenticationError = 11,
        UserCanceled = 12,
        UserSuspended = 13,
        DeviceNotFound = 14,
        UserNotFound = 15,
        EmailMissing = 16,
        EPasswordMissing = 17,
        UnknownApplication = 18,
        DeviceIdIsMandatory = 19,
        SearchCompleted = 501,
        // Three e's: the name that logs and callers know.
        ProfileSucceess = 701,
        NotEnoughParameters = 711,
        AccountExpired = 712,
        DeviceIdMissing = 911,
        DeviceNameMissing = 912,
        InvalidAccountType = 913,
        IncorrectPassword = 914,
        DeviceLimitReached = 915,
        DeviceAlreadyRegistered = 916,
        EmailNotFound = 917,
        SubscriptionModifyFail = 918,
        TokenCheckFailed = 919,
        TokenValidateFailed = 920,
        OrderNotCreated = 921,
        OrderSuspended = 922,
        OrderCanceled = 923,
        API_CODE_SETUP_CONNECTION_SUCCESS = 1501,
        API_CODE_SETUP_CONNECTION_REQUIRED_PARAMETERS_MISSING = 1511,
        API_CODE_SETUP_CONNECTION_SERVER_IS_NOT_READY = 1512,
        API_CODE_SETUP_CONNECTION_PROFILE_NOT_READY = 1513,
        API_CODE_SETUP_CONNECTION_WRONG_SETTING_FORMAT = 1514,
        PasswordVerifyingIsSuccessful = 2001,
        PasswordIsChanged = 2010,
        PasswordIsIncorrect = 2011,
        ControlPageTokenCreated = 401,
        ControlPageDevIDFieldIsMissing = 411,
        GetUsageSuccess = 1401,
        UsageParamMissing = 1411,
        ServicesSuccess = 1901,
        ServicesSuccess2 = 1910,
        ServicesSaveSuccess = 1911,
        ServicesSaveFail = 1912,
        ServicesMutuallyBlocked = 1913,
        ServicesWrongMethod = 1914,
        ServicesMissingParameter = 1945,
        ServicesIsStoredIncorrectly = 1946,
        ServicesSetFormatError = 1947,
    };
    Q_ENUM(CommandCode)

    // The code's name for a log line; its number when it has no name.
    static QString nameOf(int code)
    {
        const char* name = QMetaEnum::fromType<CommandCode>().valueToKey(code);
        return name ? QString::fromLatin1(name) : QString::number(code);
    }
};
