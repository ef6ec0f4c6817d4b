#include "server/cluster.h"

#include <nats/nats.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <random>
#include <stdexcept>

#include "server/log.h"
#include "wire/protocol.h"

// How long a key-value call waits for the bus before it counts as failed.
static constexpr std::int64_t KV_WAIT_MS = 2000;
// The client pings the bus this often and gives the connection up after this many unanswered
// pings, so a cut cable is noticed in seconds rather than at the kernel's TCP timeout.
static constexpr std::int64_t PING_EVERY_MS = 1000;
static constexpr int PINGS_OUT = 3;
// Pause between reconnection attempts; the node tries for as long as it runs.
static constexpr std::int64_t RECONNECT_WAIT_MS = 250;

static std::string RandomNodeId() {
    static const char chars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 pick(seed());
    std::uniform_int_distribution<std::size_t> any(0, sizeof chars - 2);
    std::string id;
    for (int i = 0; i < 12; ++i)
        id.push_back(chars[any(pick)]);
    return id;
}

static std::string StatusText(natsStatus s) {
    std::string text = natsStatus_GetText(s);
    const char* last = nats_GetLastError(nullptr);
    if (last && *last) text += std::string(": ") + last;
    return text;
}

Cluster::Cluster(const std::vector<std::string>& servers, int replicas, Relay& relay)
    : relay_(relay), node_(RandomNodeId()), origin_(ClusterOrigin(node_)), replicas_(replicas) {
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) throw std::runtime_error("eventfd failed");
    natsOptions* opts = nullptr;
    std::vector<const char*> urls;
    for (const std::string& url : servers)
        urls.push_back(url.c_str());
    const std::string name = "tavrel-server " + node_;
    natsStatus s = natsOptions_Create(&opts);
    if (s == NATS_OK) s = natsOptions_SetServers(opts, urls.data(), static_cast<int>(urls.size()));
    if (s == NATS_OK) s = natsOptions_SetName(opts, name.c_str());
    // A node hears only the others: what it publishes it has applied already.
    if (s == NATS_OK) s = natsOptions_SetNoEcho(opts, true);
    // One delivery thread for every subscription keeps one sender's messages in the order it
    // published them, also across subjects (a removal on one map, the position on the next).
    if (s == NATS_OK) s = natsOptions_UseGlobalMessageDelivery(opts, true);
    // A turn's frames for a subject already go out as one message; the client's own batching
    // would only hold them back for its flusher thread.
    if (s == NATS_OK) s = natsOptions_SetSendAsap(opts, true);
    if (s == NATS_OK) s = natsOptions_SetMaxReconnect(opts, -1);
    if (s == NATS_OK) s = natsOptions_SetReconnectWait(opts, RECONNECT_WAIT_MS);
    if (s == NATS_OK) s = natsOptions_SetPingInterval(opts, PING_EVERY_MS);
    if (s == NATS_OK) s = natsOptions_SetMaxPingsOut(opts, PINGS_OUT);
    if (s == NATS_OK) s = natsOptions_SetTimeout(opts, 1000);
    if (s == NATS_OK) s = natsOptions_SetRetryOnFailedConnect(opts, true, &Cluster::OnConnected, this);
    if (s == NATS_OK) s = natsOptions_SetReconnectedCB(opts, &Cluster::OnConnected, this);
    if (s == NATS_OK) s = natsOptions_SetDisconnectedCB(opts, &Cluster::OnDisconnected, this);
    if (s == NATS_OK) {
        s = natsConnection_Connect(&nc_, opts);
        if (s == NATS_OK) {
            Inbound up{Inbound::Connected, {}, {}, {}, 0, {}, {}, 0, 0};
            Push(std::move(up));
        } else if (s == NATS_NOT_YET_CONNECTED) {
            s = NATS_OK;
        }
    }
    natsOptions_Destroy(opts);
    const char* fixed[] = {CLUSTER_CHAT_SUBJECT, CLUSTER_NODES_SUBJECT, nullptr};
    const std::string own = ClusterNodeSubject(node_);
    fixed[2] = own.c_str();
    for (const char* subject : fixed) {
        natsSubscription* sub = nullptr;
        if (s == NATS_OK) s = natsConnection_Subscribe(&sub, nc_, subject, &Cluster::OnMessage, this);
        if (sub) fixed_.push_back(sub);
    }
    if (s != NATS_OK) {
        const std::string why = StatusText(s);
        for (natsSubscription* sub : fixed_)
            natsSubscription_Destroy(sub);
        natsConnection_Destroy(nc_);
        close(wakeFd_);
        throw std::runtime_error(why);
    }
    worker_ = std::thread([this] { Work(); });
}

Cluster::~Cluster() {
    // The others forget this node's players at once rather than after the heartbeat timeout.
    Publish(CLUSTER_NODES_SUBJECT, origin_ + EncodeFrame(CLUSTER_GOODBYE_FRAME));
    {
        std::lock_guard<std::mutex> lock(jobMutex_);
        if (connected_) {
            for (const auto& claim : claims_)
                jobs_.push_back(Job{Job::Kind::Release, 0, claim.first, 0});
        }
        stop_ = true;
    }
    jobReady_.notify_all();
    worker_.join();
    natsConnection_FlushTimeout(nc_, 1000);
    for (const auto& map : maps_)
        natsSubscription_Destroy(map.second);
    for (natsSubscription* sub : fixed_)
        natsSubscription_Destroy(sub);
    natsConnection_Close(nc_);
    natsConnection_Destroy(nc_);
    nats_CloseAndWait(1000);
    close(wakeFd_);
}

void Cluster::OnMessage(natsConnection*, natsSubscription*, natsMsg* msg, void* self) {
    Inbound in{Inbound::Message,
               natsMsg_GetSubject(msg),
               natsMsg_GetReply(msg) ? natsMsg_GetReply(msg) : "",
               std::string(natsMsg_GetData(msg), static_cast<std::size_t>(natsMsg_GetDataLength(msg))),
               0,
               {},
               {},
               0,
               0};
    natsMsg_Destroy(msg);
    static_cast<Cluster*>(self)->Push(std::move(in));
}

void Cluster::OnConnected(natsConnection*, void* self) {
    static_cast<Cluster*>(self)->Push(Inbound{Inbound::Connected, {}, {}, {}, 0, {}, {}, 0, 0});
}

void Cluster::OnDisconnected(natsConnection*, void* self) {
    static_cast<Cluster*>(self)->Push(Inbound{Inbound::Disconnected, {}, {}, {}, 0, {}, {}, 0, 0});
}

void Cluster::Push(Inbound&& in) {
    bool wake;
    {
        std::lock_guard<std::mutex> lock(inMutex_);
        wake = inbound_.empty();
        inbound_.push_back(std::move(in));
    }
    if (wake) {
        const std::uint64_t one = 1;
        (void)!write(wakeFd_, &one, sizeof one);
    }
}

void Cluster::Claim(std::uint64_t ticket, const std::string& nick) {
    if (!connected_) {
        Push(Inbound{Inbound::Claimed, {}, {}, {}, ticket, nick, "the cluster's bus is unreachable", 0, 0});
        return;
    }
    {
        std::lock_guard<std::mutex> lock(jobMutex_);
        jobs_.push_back(Job{Job::Kind::Claim, ticket, nick, 0});
    }
    jobReady_.notify_one();
}

void Cluster::Release(const std::string& nick) {
    if (claims_.erase(nick) == 0) return;
    {
        std::lock_guard<std::mutex> lock(jobMutex_);
        jobs_.push_back(Job{Job::Kind::Release, 0, nick, 0});
    }
    jobReady_.notify_one();
}

// The worker: every blocking call to the key-value store, one after the other in the order the
// loop asked for them, so a release always comes after the claim it gives up.
void Cluster::Work() {
    jsCtx* js = nullptr;
    kvStore* kv = nullptr;
    jsOptions jsOpts;
    jsOptions_Init(&jsOpts);
    jsOpts.Wait = KV_WAIT_MS;
    natsConnection_JetStream(&js, nc_, &jsOpts);
    const auto open = [&]() {
        if (kv || !js) return kv != nullptr;
        kvConfig cfg;
        kvConfig_Init(&cfg);
        cfg.Bucket = CLUSTER_NICK_BUCKET;
        cfg.History = 1;
        cfg.TTL = std::chrono::nanoseconds(CLUSTER_CLAIM_TTL).count(); // the stream's own unit
        cfg.Replicas = replicas_;
        // Nodes starting together race to create the bucket; the loser finds it on a later try.
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (js_KeyValue(&kv, js, CLUSTER_NICK_BUCKET) == NATS_OK) return true;
            if (js_CreateKeyValue(&kv, js, &cfg) == NATS_OK) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    };
    // Who holds key and since which revision: "" when nobody, "?" when the store cannot say.
    const auto holder = [&](const std::string& key, std::uint64_t& revision) -> std::string {
        kvEntry* entry = nullptr;
        const natsStatus s = kvStore_Get(&entry, kv, key.c_str());
        if (s == NATS_NOT_FOUND) return "";
        if (s != NATS_OK) return "?";
        std::string value = kvEntry_ValueString(entry);
        revision = kvEntry_Revision(entry);
        kvEntry_Destroy(entry);
        return value;
    };
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(jobMutex_);
            jobReady_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
            if (jobs_.empty()) break;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        const std::string key = ClusterNickKey(job.nick);
        const bool ready = open();
        std::uint64_t revision = 0;
        if (job.kind == Job::Kind::Claim) {
            std::string problem;
            if (!ready) {
                problem = "the cluster's nickname store is unreachable";
            } else {
                // A store slow to answer under a crowd of logins gets a second chance.
                std::string who = "?";
                for (int attempt = 0; attempt < 2 && (who == "?" || who.empty()); ++attempt) {
                    if (kvStore_CreateString(&revision, kv, key.c_str(), node_.c_str()) == NATS_OK) {
                        who = node_;
                        break;
                    }
                    who = holder(key, revision);
                }
                if (who != node_) {
                    problem = who == "?" || who.empty() ? "the cluster's nickname store is unreachable"
                                                        : "nickname in use";
                }
            }
            Push(Inbound{Inbound::Claimed, {}, {}, {}, job.ticket, job.nick, problem, revision, 0});
        } else if (job.kind == Job::Kind::Release) {
            if (ready) kvStore_Delete(kv, key.c_str());
        } else if (ready) {
            if (kvStore_UpdateString(&revision, kv, key.c_str(), node_.c_str(), job.revision) != NATS_OK) {
                const std::string who = holder(key, revision);
                if (who == "?") continue; // the store cannot say now; the next round asks again
                if (!who.empty() && who != node_) {
                    Push(Inbound{Inbound::Lost, {}, {}, {}, 0, job.nick, {}, 0, job.revision});
                    continue;
                }
                // Expired during an outage: nobody took it, so it is taken again.
                if (who.empty() && kvStore_CreateString(&revision, kv, key.c_str(), node_.c_str()) != NATS_OK)
                    continue;
            }
            Push(Inbound{Inbound::Refreshed, {}, {}, {}, 0, job.nick, {}, revision, job.revision});
        }
    }
    if (kv) kvStore_Destroy(kv);
    if (js) jsCtx_Destroy(js);
}

void Cluster::TakeInbound(ServerTime now, std::vector<ClaimResult>& claims, std::vector<std::string>& lost) {
    std::uint64_t count;
    (void)!read(wakeFd_, &count, sizeof count);
    std::deque<Inbound> batch;
    {
        std::lock_guard<std::mutex> lock(inMutex_);
        batch.swap(inbound_);
    }
    for (Inbound& in : batch) {
        switch (in.kind) {
        case Inbound::Claimed:
            if (in.problem.empty()) claims_[in.nick] = in.revision;
            claims.push_back(ClaimResult{in.ticket, in.nick, in.problem});
            break;
        case Inbound::Refreshed: {
            // An answer about a claim given up (or given up and made again) since it was asked.
            const auto claim = claims_.find(in.nick);
            if (claim != claims_.end() && claim->second == in.base) claim->second = in.revision;
            break;
        }
        case Inbound::Lost: {
            const auto claim = claims_.find(in.nick);
            if (claim != claims_.end() && claim->second == in.base) {
                claims_.erase(claim);
                lost.push_back(in.nick);
            }
            break;
        }
        default:
            Handle(in, now);
        }
    }
}

void Cluster::Handle(const Inbound& in, ServerTime now) {
    if (in.kind == Inbound::Disconnected) {
        if (connected_) LogLine("cluster: lost the bus; serving this node's players alone meanwhile");
        connected_ = false;
        return;
    }
    if (in.kind == Inbound::Connected) {
        char url[256] = "";
        natsConnection_GetConnectedUrl(nc_, url, sizeof url);
        LogLine("cluster: node " + node_ + " on the bus at " + url);
        connected_ = true;
        // Nobody was heard meanwhile because this node could not hear; count from now.
        for (auto& node : nodes_)
            node.second = now;
        // What the others may have missed or forgotten, and what this node may have missed.
        for (const std::string& map : relay_.LocalMaps()) {
            const std::string subject = ClusterMapSubject(map);
            PublishFrames(subject, PositionsOn(map));
            Publish(subject, origin_ + EncodeFrame(CLUSTER_SYNC_FRAME), ClusterNodeSubject(node_).c_str());
        }
        nextHeartbeat_ = now;
        nextRefresh_ = now;
        return;
    }
    std::string_view node;
    std::vector<std::string_view> texts;
    if (!ParseClusterPayload(in.data, node, texts) || node == node_) return;
    Heard(node, now);
    if (in.subject == CLUSTER_NODES_SUBJECT) {
        for (const std::string_view text : texts) {
            if (text == CLUSTER_GOODBYE_FRAME) {
                relay_.ForgetNode(node);
                nodes_.erase(std::string(node));
                LogLine("cluster: node " + std::string(node) + " left");
                return;
            }
        }
        return;
    }
    if (in.subject == CLUSTER_CHAT_SUBJECT) {
        for (const std::string_view text : texts)
            relay_.RemoteChat(text);
        return;
    }
    const auto onMap = subjects_.find(in.subject);
    const std::string* map = onMap == subjects_.end() ? nullptr : &onMap->second;
    if (!map && in.subject != ClusterNodeSubject(node_)) return;
    for (const std::string_view text : texts) {
        if (text.substr(0, 2) == "3|") {
            relay_.RemotePosition(node, text, now);
        } else if (map && text.substr(0, 2) == "2|") {
            relay_.RemoteRemoval(node, text.substr(2), *map);
        } else if (map && text == CLUSTER_SYNC_FRAME && !in.reply.empty()) {
            PublishFrames(in.reply, PositionsOn(*map));
        }
    }
}

void Cluster::Heard(std::string_view node, ServerTime now) {
    const auto [at, added] = nodes_.emplace(std::string(node), now);
    if (added) {
        LogLine("cluster: node " + at->first + " heard");
    } else {
        at->second = now;
    }
}

void Cluster::Publish(const std::string& subject, const std::string& payload, const char* reply) {
    // While the bus is away the client keeps what is published (up to its reconnect buffer)
    // and sends it on reconnection; beyond that, the re-publication on reconnection covers it.
    if (reply) {
        natsConnection_PublishRequest(nc_, subject.c_str(), reply, payload.data(),
                                      static_cast<int>(payload.size()));
    } else {
        natsConnection_Publish(nc_, subject.c_str(), payload.data(), static_cast<int>(payload.size()));
    }
}

void Cluster::PublishFrames(const std::string& subject, const std::string& frames) {
    std::size_t start = 0, at = 0;
    while (at < frames.size()) {
        const std::size_t next = at + FRAME_PREFIX_BYTES + ReadFrameLength(frames.data() + at);
        if (next - start > CLUSTER_MAX_PAYLOAD && at > start) {
            Publish(subject, origin_ + frames.substr(start, at - start));
            start = at;
        }
        at = next;
    }
    if (at > start) Publish(subject, origin_ + frames.substr(start, at - start));
}

std::string Cluster::PositionsOn(const std::string& map) const {
    std::string frames;
    for (const Slot slot : relay_.LocalsOn(map))
        frames += relay_.PositionOf(slot);
    return frames;
}

void Cluster::Follow(const std::string& map) {
    const bool wanted = !relay_.LocalsOn(map).empty();
    const auto sub = maps_.find(map);
    const std::string subject = ClusterMapSubject(map);
    if (wanted && sub == maps_.end()) {
        natsSubscription* added = nullptr;
        if (natsConnection_Subscribe(&added, nc_, subject.c_str(), &Cluster::OnMessage, this) != NATS_OK)
            return;
        maps_.emplace(map, added);
        subjects_.emplace(subject, map);
        // The subscription goes to the bus before the request, so no answer can pass it.
        Publish(subject, origin_ + EncodeFrame(CLUSTER_SYNC_FRAME), ClusterNodeSubject(node_).c_str());
    } else if (!wanted && sub != maps_.end()) {
        natsSubscription_Unsubscribe(sub->second);
        natsSubscription_Destroy(sub->second);
        maps_.erase(sub);
        subjects_.erase(subject);
        relay_.ForgetRemotesOn(map);
    }
}

void Cluster::AfterTurn() {
    for (const std::string& map : relay_.MapsChanged())
        Follow(map);
    // Per map: the removals in the order they happened, then each mover's latest position there.
    std::vector<std::pair<std::string, std::string>> out; // map, frames; few maps per turn
    const auto framesFor = [&out](const std::string& map) -> std::string& {
        for (auto& entry : out) {
            if (entry.first == map) return entry.second;
        }
        out.emplace_back(map, std::string());
        return out.back().second;
    };
    for (const auto& [map, nick] : relay_.PublishedExits())
        framesFor(map) += EncodeFrame("2|" + nick);
    for (const Slot slot : relay_.Moved()) {
        if (relay_.Nick(slot).empty() || relay_.IsRemote(slot) || relay_.PositionOf(slot).empty()) continue;
        framesFor(relay_.MapOf(slot)) += relay_.PositionOf(slot);
    }
    for (const auto& [map, frames] : out)
        PublishFrames(ClusterMapSubject(map), frames);
    if (!relay_.PublishedChat().empty()) PublishFrames(CLUSTER_CHAT_SUBJECT, relay_.PublishedChat());
    relay_.ClearPublished();
}

void Cluster::Tick(ServerTime now) {
    if (now >= nextHeartbeat_) {
        Publish(CLUSTER_NODES_SUBJECT, origin_ + EncodeFrame(CLUSTER_HEARTBEAT_FRAME));
        nextHeartbeat_ = now + CLUSTER_HEARTBEAT;
    }
    if (!connected_) return;
    for (auto it = nodes_.begin(); it != nodes_.end();) {
        if (now - it->second < CLUSTER_NODE_TIMEOUT) {
            ++it;
            continue;
        }
        const std::size_t before = relay_.RemoteCount();
        relay_.ForgetNode(it->first);
        LogLine("cluster: node " + it->first + " silent for " + std::to_string(CLUSTER_NODE_TIMEOUT.count()) +
                " ms; " + std::to_string(before - relay_.RemoteCount()) + " of its players removed");
        it = nodes_.erase(it);
    }
    if (now >= nextRefresh_ && !claims_.empty()) {
        {
            std::lock_guard<std::mutex> lock(jobMutex_);
            // A worker still busy with the last round gets no second one on top.
            if (jobs_.empty()) {
                for (const auto& claim : claims_)
                    jobs_.push_back(Job{Job::Kind::Refresh, 0, claim.first, claim.second});
            }
        }
        jobReady_.notify_one();
        nextRefresh_ = now + CLUSTER_CLAIM_REFRESH;
    }
}
