#pragma once

#include <QByteArray>

// This process's own figures in the text exposition format, named as
// Prometheus's client libraries name them, so that the usual dashboards and
// alerts for any exporter work: process_cpu_seconds_total,
// process_resident_memory_bytes, process_virtual_memory_bytes,
// process_open_fds, process_max_fds, process_start_time_seconds. Read from
// /proc at each call (Linux only); a figure that cannot be read is left out.
QByteArray ProcessMetricsText();
