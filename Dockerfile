# The report service as a container image: lumenfoldi built on Debian 12,
# run on Debian 12 slim as a non-root user with the fonts the engine measures with.
#   docker build -t lumenfoldi .
#   docker run -p 8080:8080 -v lumenfoldi-cache:/var/cache/lumenfoldi lumenfoldi
FROM debian:12-slim AS build
RUN apt-get update \
 && apt-get install -y --no-install-recommends build-essential cmake ninja-build pkg-config \
      qt6-base-dev libqt6opengl6-dev libgl-dev libjpeg-dev libcups2-dev nlohmann-json3-dev libcpp-httplib-dev \
 && rm -rf /var/lib/apt/lists/*
WORKDIR /src
COPY . .
RUN cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMENFOLDI_TESTS=OFF \
      -DLUMENFOLDI_BENCH=OFF -DLUMENFOLDI_FUZZ=OFF -DLUMENFOLDI_SANITIZE=OFF \
 && cmake --build build --target lumenfoldi \
 && strip build/apps/lumenfoldi

FROM debian:12-slim
RUN apt-get update \
 && apt-get install -y --no-install-recommends libqt6core6 libqt6gui6 libqt6network6 libjpeg62-turbo libcups2 \
      libcpp-httplib0.11 fonts-liberation2 fonts-dejavu-core fonts-noto-cjk ca-certificates \
 && rm -rf /var/lib/apt/lists/* \
 && useradd --system --uid 10001 --user-group --home-dir /var/lib/lumenfoldi --create-home lumenfoldi \
 && install -d -o 10001 -g 10001 /var/cache/lumenfoldi
COPY --from=build /src/build/apps/lumenfoldi /usr/local/bin/lumenfoldi
USER 10001:10001
ENV QT_QPA_PLATFORM=offscreen HOME=/var/lib/lumenfoldi
VOLUME /var/cache/lumenfoldi
EXPOSE 8080
STOPSIGNAL SIGTERM
ENTRYPOINT ["/usr/local/bin/lumenfoldi", "serve", "--listen", "0.0.0.0:8080", "--cache", "/var/cache/lumenfoldi"]
