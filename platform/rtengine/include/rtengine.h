/* rtengine: our run-time engine. Include this one header for all its families. */
#ifndef RTENGINE_H
#define RTENGINE_H

#include "rte_api.h"
#include "rte_errors.h"
#include "rte_popup.h"
#include "rte_format.h"
#include "rte_files.h"
#include "rte_stdio.h"
#include "rte_process.h"
#include "rte_system.h"
#include "rte_ports.h"
#include "rte_threads.h"
#include "rte_events.h"
#include "rte_fonts.h"
#include "rte_ui.h"
#include "rte_bitmaps.h"

#endif
