// bacnet-codec's BACnet/IP client: one include for the whole public API.
#pragma once

#include "client/Bytes.h"
#include "client/Endpoint.h"
#include "client/Bvlc.h"
#include "client/Link.h"
#include "client/UdpLink.h"
#include "client/MemoryLink.h"
#include "client/Result.h"
#include "client/Value.h"
#include "client/Device.h"
#include "client/Client.h"
#include "client/Cov.h"
#include "client/Trend.h"
#include "client/Poller.h"
