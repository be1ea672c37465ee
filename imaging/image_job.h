// A picture decoded a slice at a time, so that a large JPEG cover does not hold the
// one thread for the tens of milliseconds its whole decode takes.
//
//   image_job_start_file(path, wanted)   reads the file whole. A JPEG is then decoded in
//   image_job_start_memory(bytes, n, wanted)  slices: its header is read and its size
//                                 checked here, the pixels come from image_job_step.
//                                 Anything else (PNG, GIF, BMP, a file that cannot be
//                                 read) is decoded whole here and the job is already
//                                 finished. Never null. The memory form copies the bytes.
//   image_job_step(job, ns)       one slice: rows of blocks until ns nanoseconds have
//                                 passed (at least one; the default IMAGE_JOB_SLICE_NS
//                                 is a fifth of the 15 ms a track load may add), or the
//                                 end of the decode in a slice of its own (freeing a
//                                 large picture's coefficients takes milliseconds). True
//                                 while the job is still pending; nothing once finished.
//   image_job_pending(job)        true until the job has finished.
//   image_job_take(job)           the finished picture, handed to the caller (image_free
//                                 it); null while pending or once taken. It is what
//                                 image_load_file (image_load_memory for the memory form)
//                                 gives for the same bytes and wanted: the same pixels,
//                                 and the same warning lines, printed when the job
//                                 finishes (a failure: the warning and a 1 x 1
//                                 transparent image).
//   image_job_failed(job)         true when the job finished with that failure.
//   image_job_free(job)           drops the job at any point; null is ignored.
//
// Callers choose which pictures are worth a job: a small one decodes in about the
// time of a slice and may as well go through image_load_file.
#pragma once
#include <cstddef>
#include <cstdint>

#include "imaging/image.h"

struct ImageJob;

// Time rather than bytes or rows: a row of blocks costs from well under a microsecond
// (a scan that damage cut short) to tens of them (a wide picture's first scan), and a
// count tuned for one would make the other's slices too long or far too many.
constexpr int64_t IMAGE_JOB_SLICE_NS = 3'000'000;

[[nodiscard]] ImageJob* image_job_start_file(const char* path, ImageWanted wanted);
[[nodiscard]] ImageJob* image_job_start_memory(const uint8_t* bytes, size_t length,
                                               ImageWanted wanted);
bool image_job_step(ImageJob* job, int64_t slice_ns = IMAGE_JOB_SLICE_NS);
[[nodiscard]] bool image_job_pending(const ImageJob* job);
[[nodiscard]] Image* image_job_take(ImageJob* job);
[[nodiscard]] bool image_job_failed(const ImageJob* job);
void image_job_free(ImageJob* job);
