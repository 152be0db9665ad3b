#pragma once
// Entry points shared by the libFuzzer targets and the corpus replay test. Each takes raw input
// bytes, runs one reader on them and aborts when one of the reader's invariants is broken (a
// sanitizer only sees memory errors, not wrong results or unbounded growth).
//
// Adding a target: write its entry function, list it below, and add the folder
// tests/fuzz/corpus/<name>/ with a few seed inputs. The build makes fuzz_<name> for every corpus
// folder, bench/fuzz.sh runs it, and test_fuzz_corpus replays the folder.
#include <cstddef>
#include <cstdint>

// X(name, function): the name is the corpus folder and the fuzz_<name> target.
#define LMV_FUZZ_TARGETS(X)                                                                                  \
    /* Device replies (ReplyEntries.cpp). */                                                                 \
    /* A received byte stream, delivered whole and in as many pieces as the first byte says. */              \
    X(extract_frame, extractFrame)                                                                           \
    /* One extracted payload; its content goes on to the decoder of its kind. */                             \
    X(classify_reply, classifyReply)                                                                         \
    /* The content of a project or RVB position list reply. */                                               \
    X(name_list, nameList)                                                                                   \
    /* The content of an RVA position list reply. */                                                         \
    X(rva_position_list, rvaPositionList)                                                                    \
    /* The content of a file list reply, decoded for both groups. */                                         \
    X(file_list, fileList)                                                                                   \
    /* The content of an RVB node table reply. */                                                            \
    X(node_table, nodeTable)                                                                                 \
    /* Replies, timer expiries and clicks fed to a connected link session (LinkEntries.cpp). */              \
    X(link_session, linkSession)                                                                             \
    /* Files a user opens (FileEntries.cpp); the first input byte is an option byte. */                      \
    /* A data file read as the record windows read it, possibly grown past the size limit. */                \
    X(read_data_file, readDataFile)                                                                          \
    /* The bytes of an index file split into lines. */                                                       \
    X(index_lines, indexLines)                                                                               \
    /* A project index, point index or data file opened into project tree entries. */                        \
    X(open_local, openLocal)                                                                                 \
    /* A stored file rewritten by updateCorrections, updatePipe or finishRvaFile. */                         \
    X(rewrite_file, rewriteFile)                                                                             \
    /* What the record windows compute (AnalysisEntries.cpp); option bytes, then a data file. */             \
    /* The hydrograph's series under unit and correction changes, reduced to pixel columns. */               \
    X(plot_series, plotSeries)                                                                               \
    /* The data check of the records with its daily table, and its CSV export. */                            \
    X(survey_check, surveyCheck)                                                                             \
    /* A rain gauge file under a mapping from two option bytes, and its storm events (RainEntries.cpp). */   \
    X(rain_import, rainImport)                                                                               \
    /* The series column of a gauge in the project database, decoded, written back, events found. */         \
    X(gauge_series, gaugeSeries)                                                                             \
    /* A point's data files joined into its survey (SurveyEntries.cpp), with the tables over it. */          \
    X(survey_join, surveyJoin)                                                                               \
    /* A point's edit history from its project database applied to a small survey (EditEntries.cpp). */      \
    X(survey_edits, surveyEdits)                                                                             \
    /* A point's dry-weather settings as stored texts, read and used (DwfEntries.cpp). */                    \
    X(dwf_settings, dwfSettings)                                                                             \
    /* The sediment sweep of the scattergraph and how far its estimate can be trusted. */                    \
    X(sediment_fit, sedimentFit)

namespace lmv::fuzz {

using Entry = int (*)(const std::uint8_t *data, std::size_t size);

#define LMV_FUZZ_DECLARE(name, function) int function(const std::uint8_t *data, std::size_t size);
LMV_FUZZ_TARGETS(LMV_FUZZ_DECLARE)
#undef LMV_FUZZ_DECLARE

struct NamedEntry
{
    const char *name; // also the corpus folder name below tests/fuzz/corpus/
    Entry entry;
};
// Every target, in the order of the list above.
const NamedEntry *entries(std::size_t *count);
// The target of that name; null when there is none.
Entry entryNamed(const char *name);

} // namespace lmv::fuzz
