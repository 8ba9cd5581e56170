// The seven call events of the telephony line, as the call handling receives them.
#pragma once

#include "platform/api/Tapi.h"

namespace vyx {

class CallEventSink {
public:
    virtual ~CallEventSink() = default;

    // Called directly from the telephony callback; the others arrive as messages to the main window.
    virtual void OnOffering(HCALL call) = 0;
    virtual void OnOutgoingBusy() = 0;
    virtual void OnOutgoingConnected() = 0;
    virtual void OnOfferEnded() = 0;
    virtual void OnCallEnded(HCALL call) = 0;
    virtual void OnMissedGone() = 0;
    virtual void OnIncomingAnswered() = 0;
};

}
