/* A host program of ekx_file_vor4, in C.
 *
 * It creates a grid document with two properties, writes their values, reads a decimated
 * window, computes statistics, loads the document in memory, makes a change and undoes it
 * through the undo history of ekx_basic, and reports what the document's change notifier
 * announced along the way.
 *
 * Usage: ekx_vor4_host [folder]   (the document is written as <folder>/survey.xml) */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "ekx_file_vor4.h"

enum { NX = 240, NY = 160, OUT_W = 8, OUT_H = 5 };
enum { DT_SINGLE = 0, DT_BYTE = 1, DT_DOUBLE = 4 };
enum { GT_2D = 3, PK_QUANT = 0, PK_CLASS = 5 };

/* ---- The notifier's announcements -------------------------------------------------------- */

typedef struct {
    int begins, updates, ends;
} Announced;

static void on_document_event(Tek_table* queue, void* client) {
    Announced* seen = (Announced*)client;
    size_t i;
    for (i = 0; i < ek_event_queue_get_size(queue); ++i) {
        if (ek_event_queue_get_begin_update_event(queue, i)) ++seen->begins;
        if (ek_event_queue_get_update_event(queue, i)) ++seen->updates;
        if (ek_event_queue_get_end_update_event(queue, i)) ++seen->ends;
    }
}

static void report(const char* phase, Announced* seen) {
    printf("  notifier, %s: %d begin-update, %d update, %d end-update\n", phase, seen->begins, seen->updates,
           seen->ends);
    seen->begins = seen->updates = seen->ends = 0;
}

/* ---- Text through string adapters -------------------------------------------------------- */

typedef struct {
    wchar_t wide[512];
} Text;

static void keep_wide(const wchar_t* text, void* context) {
    Text* t = (Text*)context;
    wcsncpy(t->wide, text, 511);
    t->wide[511] = 0;
}

/* A narrow path made wide the way the library does it (through the code page). */
static void widen(const char* narrow, wchar_t* out, size_t size) {
    Text t;
    Tek_string_adapter* adapter = ek_string_adp_create(NULL, keep_wide, &t);
    t.wide[0] = 0;
    ek_string_adp_feed_c(adapter, narrow);
    ek_string_adp_destroy(adapter);
    wcsncpy(out, t.wide, size - 1);
    out[size - 1] = 0;
}

/* ---- The example ------------------------------------------------------------------------- */

static int fail(const char* what) {
    fprintf(stderr, "ekx_vor4_host: %s\n", what);
    return 1;
}

/* Depth falls towards the south-east; a lake in the middle has no data. */
static float depth_at(int x, int y) {
    const double dx = x - NX / 2.0, dy = y - NY / 2.0;
    if (dx * dx + dy * dy < 20.0 * 20.0) return NAN;
    return (float)(1200.0 + 1.5 * x + 0.75 * y + 25.0 * sin(x / 17.0) * cos(y / 11.0));
}

static int write_values(TekVor4* doc) {
    float* depth = malloc(sizeof(float) * NX * NY);
    unsigned char* facies = malloc(NX * NY);
    int x, y, rc;
    TekVor4Property* pDepth = ek_vor4_prop_open(doc, 0);
    TekVor4Property* pFacies = ek_vor4_prop_open(doc, 1);
    if (!depth || !facies || !pDepth || !pFacies) {
        free(depth);
        free(facies);
        return 1;
    }
    for (y = 0; y < NY; ++y) {
        for (x = 0; x < NX; ++x) {
            depth[y * NX + x] = depth_at(x, y);
            facies[y * NX + x] = (unsigned char)((x / 60 + y / 40) % 4);
        }
    }
    rc = ek_vor4_prop_write2d(pDepth, 0, 0, depth, NX, NY, DT_SINGLE, 1, NX);
    if (rc == 0) rc = ek_vor4_prop_write2d(pFacies, 0, 0, facies, NX, NY, DT_BYTE, 1, NX);
    free(depth);
    free(facies);
    return rc;
}

static void print_window(TekVor4Property* p) {
    float window[OUT_W * OUT_H];
    int i, j;
    if (ek_vor4_prop_read2d(p, 0, 0, NX, NY, window, OUT_W, OUT_H, DT_SINGLE, 0, 0) != 0) {
        printf("  (window could not be read)\n");
        return;
    }
    printf("  depth, the whole %d x %d grid read as %d x %d:\n", NX, NY, OUT_W, OUT_H);
    for (j = 0; j < OUT_H; ++j) {
        printf("   ");
        for (i = 0; i < OUT_W; ++i) {
            const float v = window[j * OUT_W + i];
            if (isnan(v))
                printf("       --");
            else
                printf(" %8.1f", v);
        }
        printf("\n");
    }
}

static void print_statistics(TekVor4Property* p, const char* name) {
    unsigned int bin, group;
    ek_vor4_prop_statistic_update(p);
    ek_vor4_prop_histogram_update(p);
    if (!ek_vor4_prop_get_statistic_exist(p)) {
        printf("  %s: no statistics\n", name);
        return;
    }
    printf("  %s: min %.2f, max %.2f, mean %.2f, std dev %.2f; %d values, %d missing\n", name,
           ek_vor4_prop_get_statistic_min(p), ek_vor4_prop_get_statistic_max(p),
           ek_vor4_prop_get_statistic_average(p), ek_vor4_prop_get_statistic_stddev(p),
           ek_vor4_prop_get_statistic_vals_count(p), ek_vor4_prop_get_statistic_indef_count(p));
    if (!ek_vor4_prop_get_histogram_exist(p)) return;
    printf("  %s histogram %.1f .. %.1f, in tenths:", name, ek_vor4_prop_get_histogram_hgbndmin(p),
           ek_vor4_prop_get_histogram_hgbndmax(p));
    for (group = 0; group < 10; ++group) {
        long long sum = 0;
        for (bin = group * 10; bin < group * 10 + 10; ++bin) sum += ek_vor4_prop_get_histogram_value(p, bin);
        printf(" %lld", sum);
    }
    printf("\n");
}

static void print_summary(TekVor4* doc) {
    unsigned int dims[3], i;
    Text caption;
    Tek_string_adapter* adapter = ek_string_adp_create(NULL, keep_wide, &caption);
    ek_vor4_get_dimensions(doc, dims);
    printf("  grid type %u, %u x %u x %u cells, origin (%.1f, %.1f), cells %.1f x %.1f, azimuth %.1f\n",
           ek_vor4_get_grid_type(doc), dims[0], dims[1], dims[2], ek_vor4_get_x0(doc), ek_vor4_get_y0(doc),
           ek_vor4_get_dx(doc), ek_vor4_get_dy(doc), ek_vor4_get_azimuth(doc));
    for (i = 0; i < ek_vor4_get_prop_count(doc); ++i) {
        caption.wide[0] = 0;
        ek_vor4_get_prop_caption_w(doc, i, adapter);
        printf("  property %u: %s (\"%ls\"), type %u, %u values, data file %s\n", i, ek_vor4_get_prop_name(doc, i),
               caption.wide, ek_vor4_get_prop_data_type(doc, i), ek_vor4_prop_get_objcount(ek_vor4_prop_open(doc, i)),
               ek_vor4_prop_file_exists(doc, i) ? "present" : "missing");
    }
    ek_string_adp_destroy(adapter);
}

/* Both properties of one window into one buffer, then the cell under a world point. */
static void print_block_read(TekVor4* doc) {
    double blocks[2 * 4];
    long long column = 0, row = 0;
    const Tek_vtx_d2 well = {1450.0, 2250.0};
    if (ek_vor4_read2d(doc, 100, 50, 2, 2, blocks, 2, 2, DT_DOUBLE, 2, NULL, 0, 0, 0) == 0)
        printf("  cells (100..101, 50..51) of both properties: depth %.1f %.1f %.1f %.1f, facies %.0f %.0f %.0f %.0f\n",
               blocks[0], blocks[1], blocks[2], blocks[3], blocks[4], blocks[5], blocks[6], blocks[7]);
    if (ek_vor4_fetch_iloc2d_64(doc, well, &column, &row)) {
        float value = 0;
        const int known = ek_vor4_prop_get_value_single(ek_vor4_prop_open(doc, 0), (unsigned int)(row * NX + column), &value);
        printf("  the well at (%.0f, %.0f) lies in column %lld, row %lld: depth %s%.1f\n", well.x, well.y, column, row,
               known ? "" : "missing ", known ? value : 0.0f);
    }
}

static int undo_demo(const char* path, Announced* seen) {
    TekVor4* loaded = ek_vor4_load_memory(path);
    TekVor4* doc = ek_vor4_file_open(path, false);
    Tek_history_manager* manager = ek_history_manager_get_instance();
    Tek_history* history;
    TekVor4Property* depth;
    float before = 0, changed = 0, after = 0;
    if (!loaded || !doc || !manager) {
        if (doc) ek_vor4_file_close(doc);
        if (loaded) ek_vor4_free_memory(loaded);
        return fail("the document could not be loaded in memory");
    }
    history = ek_history_manager_get_history(manager, ek_history_manager_get_history_count(manager) - 1);
    depth = ek_vor4_prop_open(doc, 0);
    printf("loaded in memory (%s)\n", ek_vor4_in_memory(path) == loaded ? "shared with the new handle" : "?");

    ek_vor4_prop_get_value_single(depth, 0, &before);
    ek_vor4_set_x0(doc, 5000.0);
    ek_vor4_prop_set_value_single(depth, 0, -1.0f);
    ek_vor4_prop_get_value_single(depth, 0, &changed);
    printf("  changed: x0 %.1f, depth[0] %.1f -> %.1f; %u steps to undo\n", ek_vor4_get_x0(doc), before, changed,
           (unsigned int)ek_history_get_undo_count(history));
    report("the change", seen);

    ek_history_undo(history, ek_history_get_undo_count(history));
    ek_vor4_prop_get_value_single(depth, 0, &after);
    printf("  undone: x0 %.1f, depth[0] %.1f; %u steps to redo\n", ek_vor4_get_x0(doc), after,
           (unsigned int)ek_history_get_redo_count(history));
    report("the undo", seen);

    ek_vor4_file_close(doc);
    ek_vor4_free_memory(loaded);
    return after == before ? 0 : fail("the undo did not restore the value");
}

int main(int argc, char** argv) {
    const char* folder = argc > 1 ? argv[1] : ".";
    char path[1024];
    wchar_t wpath[1024];
    Announced seen = {0, 0, 0};
    Tek_vor_notifier* notifier;
    Tek_event_channel* channel;
    TekVor4* doc;
    int rc;

    snprintf(path, sizeof path, "%s/survey.xml", folder);
    widen(path, wpath, sizeof wpath / sizeof wpath[0]);
    ek_vor4_delete_files(wpath); /* a document left by an earlier run */

    notifier = ek_create_vor_notifier_w(wpath);
    channel = ek_vor_notifier_get_update_event_channel(notifier);
    ek_event_channel_add_client(channel, on_document_event, &seen);

    printf("creating %s\n", path);
    doc = ek_vor4_file_create(path);
    if (!doc) return fail("the document could not be created");
    ek_vor4_set_grid_type(doc, GT_2D);
    {
        const unsigned int dims[3] = {NX, NY, 1};
        ek_vor4_set_dimensions(doc, dims);
    }
    ek_vor4_set_x0(doc, 1000.0);
    ek_vor4_set_y0(doc, 2000.0);
    ek_vor4_set_dx(doc, 2.5);
    ek_vor4_set_dy(doc, 2.5);
    if (!ek_vor4_prop_add(doc, "Depth", PK_QUANT, DT_SINGLE, false) ||
        !ek_vor4_prop_add_w(doc, L"Facies", PK_CLASS, DT_BYTE, false)) {
        ek_vor4_file_close(doc);
        return fail("the properties could not be added");
    }
    ek_vor4_set_prop_caption_w(doc, 0, L"Depth, m");
    ek_vor4_set_prop_precision(doc, 0, "0.0");
    report("two properties added", &seen);

    rc = write_values(doc);
    if (rc != 0) {
        ek_vor4_file_close(doc);
        return fail("the values could not be written");
    }
    print_summary(doc);
    print_window(ek_vor4_prop_open(doc, 0));
    print_statistics(ek_vor4_prop_open(doc, 0), "depth");
    print_statistics(ek_vor4_prop_open(doc, 1), "facies");
    print_block_read(doc);
    ek_vor4_file_close(doc); /* the last handle saves the document */

    rc = undo_demo(path, &seen);

    ek_event_channel_del_client(channel, on_document_event, &seen);
    ek_destroy_vor_notifier(notifier);
    puts(rc == 0 ? "done" : "failed");
    return rc;
}
